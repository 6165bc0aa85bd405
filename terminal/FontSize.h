#pragma once
// Font sizes are set in points and drawn in pixels at 96 pixels per inch,
// rounded as the window font does it: 10 points are 13 pixels and back.

#include <algorithm>

namespace lemnar {

constexpr int DefaultFontPixelHeight = 13;

constexpr int FontPointsToPixels(int points) {
    const long long px = (static_cast<long long>(points) * 96 + 36) / 72;
    return static_cast<int>(std::clamp<long long>(px, 1, 400));
}

constexpr int FontPixelsToPoints(int pixels) {
    return (pixels * 72 + 48) / 96;
}

} // namespace lemnar
