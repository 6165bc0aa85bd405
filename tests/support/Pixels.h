#pragma once
// Pixel helpers for tests that look at the terminal's pictures.

#include "terminal/DrawSurface.h"

#include <QImage>
#include <string>

namespace lemnar::test {

inline TColor PixelAt(const QImage& image, int x, int y) {
    return static_cast<TColor>(image.pixel(x, y) & 0xFFFFFFu);
}

// "pixel x,y" for the first pixel whose colour differs, or an empty string.
inline std::string FirstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return "sizes differ";
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (((p[x] ^ q[x]) & 0xFFFFFF) != 0)
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    }
    return {};
}

// Number of pixels of the given colour inside the rectangle.
inline int CountColor(const QImage& image, int x, int y, int w, int h, TColor color) {
    int n = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
            if (PixelAt(image, xx, yy) == color)
                ++n;
    return n;
}

} // namespace lemnar::test
