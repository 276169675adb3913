#pragma once
#include <string>
#include <utility>
#include <vector>

#include "programs/ProcessRecord.h"

inline ProcessRecord Proc(uint32_t pid, std::vector<std::string> paths) {
    ProcessRecord record;
    record.pid = pid;
    record.imagePaths = std::move(paths);
    return record;
}
