#pragma once
#include <string>

#include "programs/ProcessRecord.h"

// The folder part of a path, trailing backslash included; empty without a backslash.
std::string ExeFolderOf(const std::string& exeFullPath);

// The executable's base name without extension: the application's name.
std::string AppNameOf(const std::string& exeFullPath);

// True when another process runs the same executable file (this one counts once).
bool IsAlreadyRunning(const ProcessSnapshot& snapshot, const std::string& exeFullPath);
