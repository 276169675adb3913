#pragma once
#include <cstdint>

// A colour as Windows stores it (COLORREF): 0x00BBGGRR.
using Colour = uint32_t;

constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned RedOf(Colour c) {
    return c & 0xFF;
}
constexpr unsigned GreenOf(Colour c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned BlueOf(Colour c) {
    return (c >> 16) & 0xFF;
}

// Each channel times percent / 100, rounded down, at most 255.
Colour ScaleColour(Colour c, unsigned percent);

// The weighted mean of two colours per channel (rounded to nearest), then every
// channel multiplied by `lightness` and capped at 255. Weights must not both be 0.
Colour MixColours(Colour a, Colour b, unsigned weightA, unsigned weightB, double lightness);
