#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A toolbar resource: the image size and the command of each button, 0 for a
// separator. Microsoft's resource compiler writes 16-bit fields after a
// version of 1; GNU windres writes 32-bit fields and no version.
struct ToolBarLayout {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned> commands;
};

bool ParseToolBarResource(const uint8_t* data, size_t size, ToolBarLayout& layout);
