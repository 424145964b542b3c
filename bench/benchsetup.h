#pragma once

// The driver ready for a benchmark: description files loaded, defaults set,
// and the debug log kept from writing a line per byte.

#include "mainproc.h"

#include <logging.h>

#include <cstdio>

inline bool benchDriverReady()
{
    el::Configurations conf;
    conf.setToDefault();
    conf.setGlobally(el::ConfigurationType::ToFile, "false");
    conf.set(el::Level::Debug, el::ConfigurationType::Enabled, "false");
    el::Loggers::reconfigureLogger("default", conf);
    mpLoadDataFiles();
    if (!mpParseDescriptionFiles()) {
        std::fprintf(stderr, "description files failed to load\n");
        return false;
    }
    mpLoadDefaults();
    return true;
}
