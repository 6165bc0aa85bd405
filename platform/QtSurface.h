#pragma once
// A drawing surface on a QImage (RGB32): the window's picture, ScreenBitmap
// and CursorBitmap. Pixels are exact: lines, fills, copies and text are written
// straight into the image, text from the glyph masks of the font's cache.

#include "terminal/DrawSurface.h"

#include <QImage>
#include <QPoint>
#include <memory>

namespace lemnar {

class TGlyphCache;

class TQtSurface : public TDrawSurface {
  public:
    // A black picture; brush black solid, pen black width 1 copy, font white.
    explicit TQtSurface(int width = 0, int height = 0);

    const QImage& Image() const { return Picture; }

    // true: TextOut paints each glyph with QPainter instead of copying its
    // mask. The pixels are the same; this is the yardstick for the masks.
    void SetReferenceText(bool on) { ReferenceText = on; }

    int Width() const override { return Picture.width(); }
    int Height() const override { return Picture.height(); }
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

    // Black outside the picture.
    TColor Pixel(int x, int y) const override;
    bool SaveBmp(const std::string& path) const override;

  private:
    TGlyphCache& Glyphs() const;
    void TextOutMasks(int x, int y, const std::uint8_t* bytes, std::size_t n);
    void TextOutReference(int x, int y, const std::uint8_t* bytes, std::size_t n);
    void WideLineTo(int x, int y);
    // Writes colour over the row span [x0, x1) of row y, both already inside
    // the picture, in the pen's mix mode.
    void MixSpan(int y, int x0, int x1, TColor colour);

    QImage Picture;
    TColor BrushRgb = 0;
    TBrushStyle BrushFill = TBrushStyle::Solid;
    TColor PenRgb = 0;
    int PenSize = 1;
    TMixMode PenMix = TMixMode::Copy;
    TColor FontRgb = Rgb(255, 255, 255);
    TFontSpec CurrentFont;
    QPoint PenPos;
    bool ReferenceText = false;
    mutable std::shared_ptr<TGlyphCache> Cache;
};

} // namespace lemnar
