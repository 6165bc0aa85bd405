#pragma once
// A drawing surface on a QImage (RGB32): the window's picture, ScreenBitmap
// and CursorBitmap. Pixels are exact: lines, fills, copies and text are written
// straight into the image, text from the glyph masks of the font's cache.
//
// Scrolling is cheap. The picture is a window onto a pixel store (a ring of
// rows where the system allows, else a taller block), so a copy of the whole
// width one band up moves the window instead of the pixels. The QImage is
// always the current picture.

#include "platform/GlyphCache.h"
#include "platform/PixelStore.h"
#include "terminal/DrawSurface.h"

#include <QImage>
#include <QPoint>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lemnar {

class TQtSurface : public TDrawSurface {
  public:
    // A black picture; brush black solid, pen black width 1 copy, font white.
    explicit TQtSurface(int width = 0, int height = 0);

    // A copy has pixels of its own.
    TQtSurface(const TQtSurface& other) = default;
    TQtSurface& operator=(const TQtSurface& other) = default;

    // The picture. The object stays the same for the surface's life, so a
    // widget may keep a reference to it; a copy taken of it is a snapshot.
    const QImage& Image() const { return Store.Image(); }

    // true: TextOut paints each glyph with QPainter instead of copying its
    // mask. The pixels are the same; this is the yardstick for the masks.
    void SetReferenceText(bool on) { ReferenceText = on; }
    // true: CopyRect moves every pixel of every row, with no window moves and
    // no skipped rows. The pixels are the same; this is the yardstick for the
    // row bookkeeping.
    void SetReferenceCopy(bool on) { ReferenceCopy = on; }

    // Whether pictures made from now on may keep their pixels in a ring
    // (pages mapped twice) where the system allows; true at start. Returns
    // the setting before. For tests of the other kind of store.
    static bool UseRingStores(bool wanted);

    int Width() const override { return Store.Width(); }
    int Height() const override { return Store.Height(); }
    void Resize(int width, int height) override;

    void SetBrushColor(TColor c) override { BrushRgb = c & 0xFFFFFF; }
    void SetBrushStyle(TBrushStyle s) override { BrushFill = s; }
    void SetPenColor(TColor c) override { PenRgb = c & 0xFFFFFF; }
    // Width 0 draws as 1, as the thinnest pen.
    void SetPenWidth(int w) override { PenSize = w < 1 ? 1 : w; }
    void SetPenMode(TMixMode m) override { PenMix = m; }
    void SetFontColor(TColor c) override { FontRgb = c & 0xFFFFFF; }
    void SetFont(const TFontSpec& f) override;

    TColor BrushColor() const override { return BrushRgb; }
    TBrushStyle BrushStyle() const override { return BrushFill; }
    TColor PenColor() const override { return PenRgb; }
    int PenWidth() const override { return PenSize; }
    TMixMode PenMode() const override { return PenMix; }
    TColor FontColor() const override { return FontRgb; }
    TFontSpec Font() const override { return CurrentFont; }
    TTextMetrics TextMetrics() const override;

    // Fills with the brush colour whatever the brush style.
    void FillRect(int x, int y, int w, int h) override;
    void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) override;
    void MoveTo(int x, int y) override { PenPos = QPoint(x, y); }
    // Pens wider than 1 draw a round-capped line that includes its end point.
    void LineTo(int x, int y) override;
    // Wider pens draw the outline inside the rectangle, PenWidth pixels thick.
    void Rectangle(int left, int top, int right, int bottom) override;
    // Parts of the area outside either picture are left out.
    void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                  TCopyMode mode) override;

    // Moves the window through the pixel store.
    void ScrollUp(int rows) override;

    // Black outside the picture.
    TColor Pixel(int x, int y) const override;
    bool SaveBmp(const std::string& path) const override;

  private:
    // A block copy from another surface of this class, both areas clipped.
    void CopyFrom(int dstX, int dstY, int w, int h, const TQtSurface& src, int srcX, int srcY,
                  TCopyMode mode);
    TGlyphCache& Glyphs() const {
        if (!Cache) [[unlikely]]
            LoadGlyphs();
        return *Cache;
    }
    void LoadGlyphs() const;
    // Text whose cells reach into the picture's rows, after BeginWrite: glyph
    // masks copied row by row, or each glyph painted with QPainter.
    void TextOutMasks(int x, int y, const std::uint8_t* bytes, std::size_t n);
    void TextOutReference(int x, int y, const std::uint8_t* bytes, std::size_t n);
    void WideLineTo(int x, int y);
    // Writes colour over the row span [x0, x1) of row y, both already inside
    // the picture, in the pen's mix mode.
    void MixSpan(int y, int x0, int x1, TColor colour);

    TPixelStore Store;
    TColor BrushRgb = 0;
    TBrushStyle BrushFill = TBrushStyle::Solid;
    TColor PenRgb = 0;
    int PenSize = 1;
    TMixMode PenMix = TMixMode::Copy;
    TColor FontRgb = Rgb(255, 255, 255);
    TFontSpec CurrentFont;
    QPoint PenPos;
    bool ReferenceText = false;
    bool ReferenceCopy = false;
    mutable std::shared_ptr<TGlyphCache> Cache;
    mutable int GlyphWidth = 0; // the cache's cell, once loaded
    mutable int GlyphHeight = 0;
};

} // namespace lemnar
