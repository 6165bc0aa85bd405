#include "terminal/WindowSurface.h"

#include "terminal/Terminal.h"

namespace lemnar {

void TWindowSurface::Settle() const {
    Terminal.PlaceWaitingBar();
}

void TWindowSurface::Resize(int width, int height) {
    Settle();
    Picture.Resize(width, height);
}

void TWindowSurface::FillRect(int x, int y, int w, int h) {
    Settle();
    Picture.FillRect(x, y, w, h);
}

void TWindowSurface::TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    Settle();
    Picture.TextOut(x, y, bytes, n);
}

void TWindowSurface::LineTo(int x, int y) {
    Settle();
    Picture.LineTo(x, y);
}

void TWindowSurface::Rectangle(int left, int top, int right, int bottom) {
    Settle();
    Picture.Rectangle(left, top, right, bottom);
}

void TWindowSurface::CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                              TCopyMode mode) {
    Settle();
    // A copy from the window onto itself reads the picture directly.
    const TDrawSurface& from = &src == this ? Picture : src;
    Picture.CopyRect(dx, dy, w, h, from, sx, sy, mode);
}

void TWindowSurface::ScrollUpAndFill(int rows) {
    Settle();
    Picture.ScrollUpAndFill(rows);
}

TColor TWindowSurface::Pixel(int x, int y) const {
    Settle();
    return Picture.Pixel(x, y);
}

bool TWindowSurface::SaveBmp(const std::string& path) const {
    Settle();
    return Picture.SaveBmp(path);
}

} // namespace lemnar
