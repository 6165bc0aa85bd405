#pragma once
// The drawing services the terminal needs of a picture: the window's own
// picture, ScreenBitmap and CursorBitmap are each one surface with its own pen,
// brush and font, as on a windowing platform's device context.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lemnar {

// 0x00RRGGBB
using TColor = std::uint32_t;

constexpr TColor Rgb(unsigned r, unsigned g, unsigned b) {
    return (r << 16) | (g << 8) | b;
}

constexpr TColor Black = Rgb(0, 0, 0);
constexpr TColor White = Rgb(255, 255, 255);

enum class TMixMode { Copy, Xor };       // raster mix of the pen and of Rectangle's fill
enum class TBrushStyle { Solid, Clear }; // Clear: text has a transparent background
enum class TCopyMode { SrcCopy, SrcXor };

// The terminal font: a face and a character height in pixels (the cell text is
// drawn from the byte values, shown in the console's OEM code page).
struct TFontSpec {
    std::string Face = "InputMono Medium";
    int PixelHeight = 13;
    bool operator==(const TFontSpec&) const = default;
};

struct TTextMetrics {
    int AveCharWidth = 8;
    int Height = 16; // ascent + descent
};

class TDrawSurface {
  public:
    virtual ~TDrawSurface() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Keeps the overlapping part of the picture; new area is black.
    virtual void Resize(int width, int height) = 0;

    virtual void SetBrushColor(TColor c) = 0;
    virtual void SetBrushStyle(TBrushStyle s) = 0;
    virtual void SetPenColor(TColor c) = 0;
    virtual void SetPenWidth(int w) = 0;
    virtual void SetPenMode(TMixMode m) = 0;
    virtual void SetFontColor(TColor c) = 0;
    virtual void SetFont(const TFontSpec& f) = 0;

    virtual TColor BrushColor() const = 0;
    virtual TBrushStyle BrushStyle() const = 0;
    virtual TColor PenColor() const = 0;
    virtual int PenWidth() const = 0;
    virtual TMixMode PenMode() const = 0;
    virtual TColor FontColor() const = 0;
    virtual TFontSpec Font() const = 0;
    virtual TTextMetrics TextMetrics() const = 0;

    // Fills x..x+w-1, y..y+h-1 with the brush colour; the pen's mix mode does
    // not apply (a pattern copy).
    virtual void FillRect(int x, int y, int w, int h) = 0;
    // Draws n bytes as font glyphs from (x, y), one cell width apart. With a
    // solid brush each glyph's cell is first filled with the brush colour
    // (opaque); with a clear brush only the glyph's strokes are drawn.
    virtual void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line with the pen from the current position; the end point is not
    // painted and becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // Outline with the pen and, unless the brush is clear, fill with the brush,
    // both in the pen's mix mode; right and bottom edges are excluded.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // Block copy of a w x h area from src (which may be this surface) at
    // (sx, sy) to (dx, dy). Both surfaces come from the same platform.
    virtual void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                          TCopyMode mode) = 0;

    // Moves the whole picture up by `rows` (0 < rows < Height()). The rows
    // that come in at the bottom hold whatever the surface has at hand: the
    // caller paints them. By default a copy of the picture onto itself, which
    // leaves them as they were.
    virtual void ScrollUp(int rows) {
        CopyRect(0, 0, Width(), Height() - rows, *this, 0, rows, TCopyMode::SrcCopy);
    }

    virtual TColor Pixel(int x, int y) const = 0;
    // Writes a standard Windows .bmp file; false when the file cannot be written.
    virtual bool SaveBmp(const std::string& path) const = 0;
};

} // namespace lemnar
