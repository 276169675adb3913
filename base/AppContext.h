#pragma once
#include <string>

#include "base/SettingsStore.h"

// What the windows need to know of the running program.
struct AppContext {
    std::string exeFullPath;
    std::string exeFolder;  // with the trailing backslash
    std::string appName;    // the executable's base name: message captions, settings key
    SettingsStore* settings = nullptr;
};
