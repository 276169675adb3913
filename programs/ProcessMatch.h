#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "programs/ProcessRecord.h"

// The processes a sweep ends: first those running a blocked path, in snapshot
// order, then at most one task manager. No id appears twice.
std::vector<uint32_t> FindBlockedProcesses(const ProcessSnapshot& snapshot,
                                           const std::vector<std::string>& blockedPrograms);
