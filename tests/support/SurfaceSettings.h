#pragma once
// The settings a drawing surface keeps between calls (brush, pen, font), for
// the test surfaces that record or draw with them. Every colour passes through
// Accept, which a surface may override to check it.

#include "terminal/Terminal.h"

namespace lemnar::test {

class TSurfaceSettings : public TDrawSurface {
  public:
    void SetBrushColor(TColor c) override { Brush = Accept(c); }
    void SetBrushStyle(TBrushStyle s) override { Style = s; }
    void SetPenColor(TColor c) override { Pen = Accept(c); }
    void SetPenWidth(int w) override { PenW = w; }
    void SetPenMode(TMixMode m) override { Mode = m; }
    void SetFontColor(TColor c) override { FontC = Accept(c); }
    void SetFont(const TFontSpec& f) override { FontS = f; }

    TColor BrushColor() const override { return Brush; }
    TBrushStyle BrushStyle() const override { return Style; }
    TColor PenColor() const override { return Pen; }
    int PenWidth() const override { return PenW; }
    TMixMode PenMode() const override { return Mode; }
    TColor FontColor() const override { return FontC; }
    TFontSpec Font() const override { return FontS; }

  protected:
    virtual TColor Accept(TColor c) { return c; }

    TColor Brush = 0, Pen = 0, FontC = 0;
    TBrushStyle Style = TBrushStyle::Solid;
    TMixMode Mode = TMixMode::Copy;
    int PenW = 1;
    TFontSpec FontS;
};

} // namespace lemnar::test
