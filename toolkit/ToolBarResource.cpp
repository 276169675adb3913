#include "toolkit/ToolBarResource.h"

namespace {

unsigned Read16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

unsigned Read32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
}

// Reads a header of three fields and `count` ids of `field` bytes each, after `skip` bytes.
bool ReadLayout(const uint8_t* data, size_t size, size_t skip, size_t field,
                ToolBarLayout& layout) {
    auto read = [&](size_t at) { return field == 2 ? Read16(data + at) : Read32(data + at); };
    if (size < skip + 3 * field)
        return false;
    unsigned width = read(skip), height = read(skip + field), count = read(skip + 2 * field);
    size_t first = skip + 3 * field;
    if (width == 0 || height == 0 || count > (size - first) / field)
        return false;
    layout.width = width;
    layout.height = height;
    layout.commands.clear();
    for (unsigned i = 0; i < count; ++i)
        layout.commands.push_back(read(first + i * field));
    return true;
}

}  // namespace

bool ParseToolBarResource(const uint8_t* data, size_t size, ToolBarLayout& layout) {
    if (!data || size < 2)
        return false;
    // A 32-bit width of 1 would look like the version; no toolbar has one-pixel images.
    if (Read16(data) == 1)
        return ReadLayout(data, size, 2, 2, layout);
    return ReadLayout(data, size, 0, 4, layout);
}
