#pragma once
// The two pictures as the terminal draws on them: the window's picture and
// ScreenBitmap, each behind a surface of this file that passes every call on
// to the picture itself. Two things happen here while a block of received
// bytes is being taken.
//
// The cursor bar that a character leaves behind waits instead of being
// XOR-ed in (see TTerminal): every call that draws or reads window pixels
// first puts such a waiting bar in place.
//
// When the block starts with the window picture equal to ScreenBitmap (the
// bar taken out) and drawn with the same font and brush style, the window
// follows ScreenBitmap. What the terminal draws on both pictures alike (a
// cell, a run of cleared cells, a scroll, rows moved) is then drawn on
// ScreenBitmap alone, and the colours it leaves the window's brush and font
// are noted; at the end of the block the window takes the rows that differ
// from ScreenBitmap and the noted colours. Anything else that touches a
// picture, or a waiting bar that must go in place, ends the following for
// the rest of the block: the window is brought up to date first. Nothing
// outside the window thread sees the pictures in the middle of a block, so
// after every block they are exactly what drawing each call on both at once
// makes of them.

#include "terminal/DrawSurface.h"

#include <cstdint>

namespace lemnar {

class TTerminal;
class TPictures;

// One of the two pictures.
class TPictureSide final : public TDrawSurface {
  public:
    TPictureSide(TPictures& owner, TDrawSurface& picture, bool window)
        : Owner(owner), Picture(picture), IsWindow(window) {}

    int Width() const override { return Picture.Width(); }
    int Height() const override { return Picture.Height(); }
    void Resize(int width, int height) override;

    void SetBrushColor(TColor c) override;
    void SetBrushStyle(TBrushStyle s) override;
    void SetPenColor(TColor c) override;
    void SetPenWidth(int w) override;
    void SetPenMode(TMixMode m) override;
    void SetFontColor(TColor c) override;
    void SetFont(const TFontSpec& f) override;

    TColor BrushColor() const override;
    TBrushStyle BrushStyle() const override;
    TColor PenColor() const override;
    int PenWidth() const override;
    TMixMode PenMode() const override;
    TColor FontColor() const override;
    TFontSpec Font() const override;
    TTextMetrics TextMetrics() const override { return Picture.TextMetrics(); }

    void FillRect(int x, int y, int w, int h) override;
    void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                  TCopyMode mode) override;
    void ScrollUpAndFill(int rows) override;
    TColor Pixel(int x, int y) const override;
    bool SaveBmp(const std::string& path) const override;
    bool SamePicture(const TDrawSurface& other) override;

    // The picture itself.
    TDrawSurface& Target() { return Picture; }

  private:
    friend class TPictures;

    // Ends a following before the picture is touched or its state read.
    void Touch() const;
    // The same, and for the window a waiting bar goes in place.
    void Settle() const;
    // src itself where it is not one of the two sides, else that side's picture.
    const TDrawSurface& Unwrap(const TDrawSurface& src) const;

    TPictures& Owner;
    TDrawSurface& Picture;
    const bool IsWindow;
};

class TPictures {
  public:
    TPictures(TDrawSurface& window, TDrawSurface& bitmap, TTerminal& terminal)
        : WindowSide(*this, window, true), BitmapSide(*this, bitmap, false), Terminal(terminal) {}
    TPictures(const TPictures&) = delete;
    TPictures& operator=(const TPictures&) = delete;

    TPictureSide WindowSide;
    TPictureSide BitmapSide;

    // --- What the terminal draws on both pictures, the window first ---------
    // A cell: brush bg, font colour fg, a fill of the cell (fill false: the
    // glyph paints all of it) and the byte's glyph.
    void Cell(int x, int y, int width, int height, std::uint8_t ch, TColor fg, TColor bg,
              bool fill);
    // n cells side by side from (x, y) whose glyphs paint all of each cell:
    // brush bg, font colour fg and the glyphs of bytes in one call.
    void Text(int x, int y, const std::uint8_t* bytes, std::size_t n, TColor fg, TColor bg);
    // A run of cleared cells: brush bg, font colour fg, one fill.
    void Blank(int x, int y, int width, int height, TColor fg, TColor bg);
    // ScreenBitmap up by `rows` with a black strip coming in (brush black
    // and solid), then the window takes the whole of it.
    void Scroll(int rows);
    // The whole-width band of ScreenBitmap rows [srcY, srcY + h) copied to
    // dstY, then the window takes rows [top, top + height) of it.
    void MoveRows(int dstY, int srcY, int h, int top, int height);

    // --- The block --------------------------------------------------------
    // At the start of a block: the window follows ScreenBitmap from here on
    // if it can.
    void Begin();
    // Brings the window picture and its colours up to date and ends the
    // following.
    void Flush();
    // The same, when something comes that the following does not cover.
    void Interrupt();
    bool Following() const { return FollowingNow; }

    // false: the window never follows; every call goes straight through.
    // For tests that compare the two ways.
    void AllowFollowing(bool allowed);

    // How many blocks the window followed in, and how often a following
    // ended before its block did: for tests and benchmarks.
    unsigned long long FollowedBlocks() const { return FollowedCount; }
    unsigned long long EarlyEnds() const { return EarlyEndCount; }

  private:
    friend class TPictureSide;

    // Whether a drawing on both may go to ScreenBitmap alone now.
    bool Follows() const;
    // Brush bg and font colour fg on both, then a fill of the area and the
    // glyphs of bytes[0, n) where asked for.
    void Paint(int x, int y, int width, int height, TColor fg, TColor bg, bool fill,
               const std::uint8_t* bytes, std::size_t n);

    TTerminal& Terminal;
    bool Allowed = true;
    bool FollowingNow = false;
    // The window's brush and font colours while it follows (its picture's
    // own are set when the following ends), and both brush styles.
    TColor WindowBrush = 0;
    TColor WindowFont = 0;
    TBrushStyle WindowStyle = TBrushStyle::Solid;
    TBrushStyle BitmapStyle = TBrushStyle::Solid;
    unsigned long long FollowedCount = 0;
    unsigned long long EarlyEndCount = 0;
};

} // namespace lemnar
