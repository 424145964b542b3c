#pragma once

// Fixed values of the application, shared by the start-up banner and the
// header block of the event log so that both always tell the same story.
struct MAppInfo
{
    static constexpr const char *organizationName = "Morvane";
    static constexpr const char *organizationDomain = "Russia";
    static constexpr const char *applicationName = "Kelo Assistant soft.";
    static constexpr const char *version = "1.0.0.12";
    static constexpr int revision = 39;
    static constexpr const char *compileDate = "25.10.2017";
    static constexpr const char *compileTime = "16:38";
};
