#pragma once
// The window picture as the terminal draws on it. While a block of received
// bytes is being taken, the cursor bar that a character leaves behind is not
// XOR-ed in at once: the next character usually paints over it, or the next
// control hides it again. Every call here that draws or reads pixels first
// puts such a waiting bar in place, so the picture is always what drawing the
// bar at once would have made of it.

#include "terminal/DrawSurface.h"

namespace lemnar {

class TTerminal;

class TWindowSurface final : public TDrawSurface {
  public:
    TWindowSurface(TDrawSurface& picture, TTerminal& terminal)
        : Picture(picture), Terminal(terminal) {}

    int Width() const override { return Picture.Width(); }
    int Height() const override { return Picture.Height(); }
    void Resize(int width, int height) override;

    void SetBrushColor(TColor c) override { Picture.SetBrushColor(c); }
    void SetBrushStyle(TBrushStyle s) override { Picture.SetBrushStyle(s); }
    void SetPenColor(TColor c) override { Picture.SetPenColor(c); }
    void SetPenWidth(int w) override { Picture.SetPenWidth(w); }
    void SetPenMode(TMixMode m) override { Picture.SetPenMode(m); }
    void SetFontColor(TColor c) override { Picture.SetFontColor(c); }
    void SetFont(const TFontSpec& f) override { Picture.SetFont(f); }

    TColor BrushColor() const override { return Picture.BrushColor(); }
    TBrushStyle BrushStyle() const override { return Picture.BrushStyle(); }
    TColor PenColor() const override { return Picture.PenColor(); }
    int PenWidth() const override { return Picture.PenWidth(); }
    TMixMode PenMode() const override { return Picture.PenMode(); }
    TColor FontColor() const override { return Picture.FontColor(); }
    TFontSpec Font() const override { return Picture.Font(); }
    TTextMetrics TextMetrics() const override { return Picture.TextMetrics(); }

    void FillRect(int x, int y, int w, int h) override;
    void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) override;
    void MoveTo(int x, int y) override { Picture.MoveTo(x, y); }
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                  TCopyMode mode) override;
    void ScrollUpAndFill(int rows) override;
    TColor Pixel(int x, int y) const override;
    bool SaveBmp(const std::string& path) const override;

    // The picture itself, for the bar's own XOR.
    TDrawSurface& Target() { return Picture; }

  private:
    void Settle() const;

    TDrawSurface& Picture;
    TTerminal& Terminal;
};

} // namespace lemnar
