#pragma once
// The terminal font and the 1-bit masks of its 256 byte glyphs. Each mask is
// rendered once, on first use, and text is then drawn by copying masks; the
// same glyphs can also be painted straight with QPainter, pixel for pixel the
// same, which is how the masks are made.

#include "terminal/DrawSurface.h"

#include <QFont>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QPainter;

namespace lemnar {

class TGlyphCache {
  public:
    explicit TGlyphCache(const TFontSpec& wanted);

    // The cache of this font shared by all surfaces that use it; it lives while
    // one of them holds it.
    static std::shared_ptr<TGlyphCache> Shared(const TFontSpec& wanted);

    // The Qt font for a TFontSpec: the face if installed, else the fallback
    // monospace face; pixel size, fixed pitch, no antialiasing.
    static QFont MakeFont(const TFontSpec& wanted);

    const QFont& Font() const { return QtFont; }
    TTextMetrics Metrics() const { return {CellWidth, CellHeight}; }
    int Ascent() const { return FontAscent; }

    // CellWidth x Height bytes, row by row: 1 where the glyph sets the pixel.
    const std::uint8_t* Mask(std::uint8_t byte);
    // The same mask with one word per pixel, all ones where the glyph sets the
    // pixel: text is then a select of ink and paper, with no branch per pixel.
    const std::uint32_t* WideMask(std::uint8_t byte) {
        if (!Rendered[byte]) [[unlikely]]
            Render(byte);
        return WideMasks.data() + static_cast<std::size_t>(byte) * CellWidth * CellHeight;
    }
    // A number no other cache of the process has had: the same serial means
    // the same glyphs.
    std::uint64_t Serial() const { return SerialNumber; }

    // Paints a byte's glyph in the painter's pen colour in the cell whose top
    // left corner is (x, y), clipped to the cell; the background is left alone.
    void PaintReference(QPainter& painter, int x, int y, std::uint8_t byte) const;

  private:
    void Render(std::uint8_t byte);

    QFont QtFont;
    int CellWidth = 1;
    int CellHeight = 1;
    int FontAscent = 0;
    std::vector<std::uint8_t> Masks; // 256 masks back to back
    std::vector<std::uint32_t> WideMasks;
    std::array<bool, 256> Rendered{};
    std::uint64_t SerialNumber = 0;
};

} // namespace lemnar
