#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "programs/ProcessRecord.h"

// Whole-string comparison with letters folded byte by byte (C locale).
bool PathsEqualNoCase(const std::string& a, const std::string& b);

// True when the path's last characters equal `tail`, letters folded.
bool EndsWithNoCase(const std::string& path, const char* tail);

// The processes a sweep ends: first those running a blocked path, in snapshot
// order, then at most one task manager. No id appears twice.
std::vector<uint32_t> FindBlockedProcesses(const ProcessSnapshot& snapshot,
                                           const std::vector<std::string>& blockedPrograms);
