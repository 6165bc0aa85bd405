#pragma once
// Pixel helpers for tests that look at the terminal's pictures.

#include "terminal/DrawSurface.h"

#include <QImage>

namespace lemnar::test {

inline TColor PixelAt(const QImage& image, int x, int y) {
    return static_cast<TColor>(image.pixel(x, y) & 0xFFFFFFu);
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
