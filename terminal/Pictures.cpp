#include "terminal/Pictures.h"

#include "terminal/Terminal.h"

namespace lemnar {

namespace {
constexpr TColor Black = Rgb(0, 0, 0);
} // namespace

// --- One side ----------------------------------------------------------------

void TPictureSide::Touch() const {
    Owner.Interrupt();
}

void TPictureSide::Settle() const {
    Owner.Interrupt();
    if (IsWindow)
        Owner.Terminal.PlaceWaitingBar();
}

const TDrawSurface& TPictureSide::Unwrap(const TDrawSurface& src) const {
    if (&src == &Owner.WindowSide)
        return Owner.WindowSide.Picture;
    if (&src == &Owner.BitmapSide)
        return Owner.BitmapSide.Picture;
    return src;
}

void TPictureSide::Resize(int width, int height) {
    Settle();
    Picture.Resize(width, height);
}

void TPictureSide::SetBrushColor(TColor c) {
    Touch();
    Picture.SetBrushColor(c);
}

void TPictureSide::SetBrushStyle(TBrushStyle s) {
    Touch();
    Picture.SetBrushStyle(s);
}

void TPictureSide::SetPenColor(TColor c) {
    Touch();
    Picture.SetPenColor(c);
}

void TPictureSide::SetPenWidth(int w) {
    Touch();
    Picture.SetPenWidth(w);
}

void TPictureSide::SetPenMode(TMixMode m) {
    Touch();
    Picture.SetPenMode(m);
}

void TPictureSide::SetFontColor(TColor c) {
    Touch();
    Picture.SetFontColor(c);
}

void TPictureSide::SetFont(const TFontSpec& f) {
    Touch();
    Picture.SetFont(f);
}

TColor TPictureSide::BrushColor() const {
    Touch();
    return Picture.BrushColor();
}

TBrushStyle TPictureSide::BrushStyle() const {
    Touch();
    return Picture.BrushStyle();
}

TColor TPictureSide::PenColor() const {
    Touch();
    return Picture.PenColor();
}

int TPictureSide::PenWidth() const {
    Touch();
    return Picture.PenWidth();
}

TMixMode TPictureSide::PenMode() const {
    Touch();
    return Picture.PenMode();
}

TColor TPictureSide::FontColor() const {
    Touch();
    return Picture.FontColor();
}

TFontSpec TPictureSide::Font() const {
    Touch();
    return Picture.Font();
}

void TPictureSide::FillRect(int x, int y, int w, int h) {
    Settle();
    Picture.FillRect(x, y, w, h);
}

void TPictureSide::TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    Settle();
    Picture.TextOut(x, y, bytes, n);
}

void TPictureSide::MoveTo(int x, int y) {
    Touch();
    Picture.MoveTo(x, y);
}

void TPictureSide::LineTo(int x, int y) {
    Settle();
    Picture.LineTo(x, y);
}

void TPictureSide::Rectangle(int left, int top, int right, int bottom) {
    Settle();
    Picture.Rectangle(left, top, right, bottom);
}

void TPictureSide::CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                            TCopyMode mode) {
    Settle();
    Picture.CopyRect(dx, dy, w, h, Unwrap(src), sx, sy, mode);
}

void TPictureSide::ScrollUpAndFill(int rows) {
    Settle();
    Picture.ScrollUpAndFill(rows);
}

TColor TPictureSide::Pixel(int x, int y) const {
    Settle();
    return Picture.Pixel(x, y);
}

bool TPictureSide::SaveBmp(const std::string& path) const {
    Settle();
    return Picture.SaveBmp(path);
}

bool TPictureSide::SamePicture(const TDrawSurface& other) {
    Settle();
    return Picture.SamePicture(Unwrap(other));
}

// --- Both ----------------------------------------------------------------------

bool TPictures::Follows() const {
    // A waiting bar must go in place before the window is drawn on.
    return FollowingNow && !Terminal.BarIsWaiting();
}

void TPictures::Cell(int x, int y, int width, int height, std::uint8_t ch, TColor fg, TColor bg,
                     bool fill) {
    Paint(x, y, width, height, fg, bg, fill, &ch, 1);
}

void TPictures::Text(int x, int y, const std::uint8_t* bytes, std::size_t n, TColor fg, TColor bg) {
    Paint(x, y, 0, 0, fg, bg, false, bytes, n);
}

void TPictures::Blank(int x, int y, int width, int height, TColor fg, TColor bg) {
    Paint(x, y, width, height, fg, bg, true, nullptr, 0);
}

void TPictures::Paint(int x, int y, int width, int height, TColor fg, TColor bg, bool fill,
                      const std::uint8_t* bytes, std::size_t n) {
    // A fill takes the brush colour whatever the style; a glyph's paper
    // depends on it, so the window follows a glyph only with the same style.
    if (Follows() && (n == 0 || WindowStyle == BitmapStyle)) {
        WindowBrush = bg;
        WindowFont = fg;
        TDrawSurface& b = BitmapSide.Picture;
        b.SetBrushColor(bg);
        b.SetFontColor(fg);
        if (fill)
            b.FillRect(x, y, width, height);
        if (n != 0)
            b.TextOut(x, y, bytes, n);
        return;
    }
    for (TDrawSurface* s : {&WindowSide, &BitmapSide}) {
        s->SetBrushColor(bg);
        s->SetFontColor(fg);
        if (fill)
            s->FillRect(x, y, width, height);
        if (n != 0)
            s->TextOut(x, y, bytes, n);
    }
}

void TPictures::Scroll(int rows) {
    if (Follows()) {
        // The window would take all of ScreenBitmap, which it follows.
        TDrawSurface& b = BitmapSide.Picture;
        b.SetBrushColor(Black);
        b.SetBrushStyle(TBrushStyle::Solid);
        BitmapStyle = TBrushStyle::Solid;
        b.ScrollUpAndFill(rows);
        return;
    }
    BitmapSide.SetBrushColor(Black);
    BitmapSide.SetBrushStyle(TBrushStyle::Solid);
    BitmapSide.ScrollUpAndFill(rows);
    WindowSide.CopyRect(0, 0, BitmapSide.Width(), BitmapSide.Height(), BitmapSide, 0, 0,
                        TCopyMode::SrcCopy);
}

void TPictures::MoveRows(int dstY, int srcY, int h, int top, int height) {
    const int width = BitmapSide.Width();
    // The window takes whole rows of ScreenBitmap, among them all that the
    // band copy changes; nothing else of it differs while it follows.
    const bool covered = top <= dstY && dstY + h <= top + height;
    if (Follows() && covered) {
        TDrawSurface& b = BitmapSide.Picture;
        b.CopyRect(0, dstY, width, h, b, 0, srcY, TCopyMode::SrcCopy);
        return;
    }
    BitmapSide.CopyRect(0, dstY, width, h, BitmapSide, 0, srcY, TCopyMode::SrcCopy);
    WindowSide.CopyRect(0, top, width, height, BitmapSide, 0, top, TCopyMode::SrcCopy);
}

void TPictures::Begin() {
    if (!Allowed || FollowingNow)
        return;
    TDrawSurface& window = WindowSide.Picture;
    TDrawSurface& bitmap = BitmapSide.Picture;
    if (window.Width() != bitmap.Width() || window.Height() != bitmap.Height() ||
        window.Font() != bitmap.Font() || !window.SamePicture(bitmap))
        return;
    WindowBrush = window.BrushColor();
    WindowFont = window.FontColor();
    WindowStyle = window.BrushStyle();
    BitmapStyle = bitmap.BrushStyle();
    FollowingNow = true;
    ++FollowedCount;
}

void TPictures::Flush() {
    if (!FollowingNow)
        return;
    FollowingNow = false;
    TDrawSurface& window = WindowSide.Picture;
    window.CopyRect(0, 0, window.Width(), window.Height(), BitmapSide.Picture, 0, 0,
                    TCopyMode::SrcCopy);
    window.SetBrushColor(WindowBrush);
    window.SetFontColor(WindowFont);
}

void TPictures::Interrupt() {
    if (!FollowingNow)
        return;
    ++EarlyEndCount;
    Flush();
}

void TPictures::AllowFollowing(bool allowed) {
    Flush();
    Allowed = allowed;
}

} // namespace lemnar
