#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One running process as a sweep sees it.
struct ProcessRecord {
    uint32_t pid = 0;
    std::vector<std::string> imagePaths;  // its executable images; may be empty
};

using ProcessSnapshot = std::vector<ProcessRecord>;
