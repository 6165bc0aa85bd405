#pragma once
// A drawing surface and a terminal host without pixels, for the fuzz targets:
// the surface keeps its pen, brush and font state and counts calls, and checks
// that every colour it is given comes from one of the terminal's palettes.

#include "terminal/Terminal.h"

#include <cstdlib>

namespace lemnar {

// Aborts, so libFuzzer records the input, when a fuzz invariant fails.
inline void FuzzCheck(bool ok) {
    if (!ok)
        std::abort();
}

class TFuzzSurface final : public TDrawSurface {
  public:
    int Width() const override { return W; }
    int Height() const override { return H; }
    void Resize(int width, int height) override {
        FuzzCheck(width >= 0 && height >= 0);
        W = width;
        H = height;
    }

    void SetBrushColor(TColor c) override { Brush = Known(c); }
    void SetBrushStyle(TBrushStyle s) override { Style = s; }
    void SetPenColor(TColor c) override { Pen = Known(c); }
    void SetPenWidth(int w) override { PenW = w; }
    void SetPenMode(TMixMode m) override { Mode = m; }
    void SetFontColor(TColor c) override { FontC = Known(c); }
    void SetFont(const TFontSpec& f) override { FontS = f; }

    TColor BrushColor() const override { return Brush; }
    TBrushStyle BrushStyle() const override { return Style; }
    TColor PenColor() const override { return Pen; }
    int PenWidth() const override { return PenW; }
    TMixMode PenMode() const override { return Mode; }
    TColor FontColor() const override { return FontC; }
    TFontSpec Font() const override { return FontS; }
    TTextMetrics TextMetrics() const override { return {8, 16}; }

    void FillRect(int, int, int, int) override { ++Calls; }
    void TextOut(int, int, const std::uint8_t* bytes, std::size_t n) override {
        // A text command holds at most 78 characters; cells written in one
        // go lie in one row of the store.
        FuzzCheck(n <= static_cast<std::size_t>(StoreCols));
        for (std::size_t i = 0; i < n; ++i)
            Sum += bytes[i];
        ++Calls;
    }
    void MoveTo(int, int) override { ++Calls; }
    void LineTo(int, int) override { ++Calls; }
    void Rectangle(int, int, int, int) override { ++Calls; }
    void CopyRect(int, int, int, int, const TDrawSurface&, int, int, TCopyMode) override {
        ++Calls;
    }
    // Without pixels, two pictures of one size are alike: the window may
    // follow ScreenBitmap, and the fuzz targets go through that path too.
    bool SamePicture(const TDrawSurface& other) override {
        return other.Width() == W && other.Height() == H;
    }
    TColor Pixel(int, int) const override { return 0; }
    bool SaveBmp(const std::string&) const override { return false; }

    unsigned long Calls = 0;
    unsigned Sum = 0; // keeps the text bytes read

  private:
    static TColor Known(TColor c) {
        bool found = c == Rgb(0, 0, 0) || c == Rgb(255, 255, 255);
        for (int i = 0; i < 16 && !found; ++i)
            found = c == TextPalette[i] || c == GraphicsPalette[i];
        FuzzCheck(found);
        return c;
    }

    int W = 0, H = 0;
    TColor Brush = 0, Pen = 0, FontC = 0;
    TBrushStyle Style = TBrushStyle::Solid;
    TMixMode Mode = TMixMode::Copy;
    int PenW = 1;
    TFontSpec FontS;
};

// The window: a client area of whole 8 x 16 cells and a beep counter.
class TFuzzHost final : public TTerminalHost {
  public:
    TFuzzHost(int cols, int rows) : ClientW(cols * 8), ClientH(rows * 16) {}
    int ClientWidth() const override { return ClientW; }
    int ClientHeight() const override { return ClientH; }
    void SetClientSize(int width, int height) override {
        ClientW = width;
        ClientH = height;
    }
    TFontSpec WindowFont() const override { return {}; }
    void MessageBeep(unsigned) override { ++Beeps; }

    int ClientW;
    int ClientH;
    int Beeps = 0;
};

// The three surfaces and the terminal on them, sized to cols x rows.
struct TFuzzTerminal {
    TFuzzTerminal(int cols, int rows, std::uint8_t terminalType) : Host(cols, rows) {
        Terminal.TerminalType = terminalType;
        Terminal.UpdateCellMetrics();
        Terminal.ResetScreen();
    }
    TFuzzHost Host;
    TFuzzSurface Window, Bitmap, Cursor;
    TTerminal Terminal{Host, Window, Bitmap, Cursor};
};

} // namespace lemnar
