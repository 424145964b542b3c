#pragma once

// Shared start of the driver's fuzz targets: the description files loaded
// once, and the debug log silenced so that it does not dominate the run.

#include "mainproc.h"

#include <logging.h>

inline bool fuzzDriverReady()
{
    static const bool ready = [] {
        el::Configurations quiet;
        quiet.setToDefault();
        quiet.setGlobally(el::ConfigurationType::Enabled, "false");
        el::Loggers::reconfigureLogger("default", quiet);
        mpLoadDataFiles();
        const bool ok = mpParseDescriptionFiles();
        mpLoadDefaults();
        return ok;
    }();
    return ready;
}
