#include "toolkit/Colour.h"

#include <algorithm>

namespace {

unsigned Cap(double v) {
    return v >= 255.0 ? 255u : v <= 0.0 ? 0u : static_cast<unsigned>(v);
}

}  // namespace

Colour ScaleColour(Colour c, unsigned percent) {
    auto scale = [percent](unsigned channel) { return std::min(channel * percent / 100, 255u); };
    return Rgb(scale(RedOf(c)), scale(GreenOf(c)), scale(BlueOf(c)));
}

Colour MixColours(Colour a, Colour b, unsigned weightA, unsigned weightB, double lightness) {
    const unsigned total = weightA + weightB;
    if (total == 0)
        return a;
    auto mix = [&](unsigned x, unsigned y) {
        const unsigned mean = (x * weightA + y * weightB + total / 2) / total;
        return Cap(mean * lightness + 0.5);
    };
    return Rgb(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}
