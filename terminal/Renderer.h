#pragma once
// The one place that draws the terminal: it owns the window's picture,
// ScreenBitmap and CursorBitmap, and brings the two pictures up to date with
// what the terminal recorded (TScreenDamage) whenever something looks at
// them. Brought up to date, both are pixel for pixel what drawing every
// change at once on both gives, and each surface holds the pen, brush and
// font colours that drawing would have left.
//
// How that stays cheap: cells are drawn in runs, once, however often they
// changed, and text that scrolled off between two looks is never drawn; the
// scrolls in between are one move of each picture. The window picture is
// ScreenBitmap with the cursor bars XOR-ed on it (Bars below) for as long as
// nothing else was drawn on it, so a scroll moves the window's own picture
// instead of copying ScreenBitmap into it.

#include "terminal/DrawSurface.h"

#include <cstdint>

namespace lemnar {

class TTerminal;

enum class TPicture { Window, ScreenBitmap };

class TRenderer {
  public:
    TRenderer(TTerminal& terminal, TDrawSurface& window, TDrawSurface& screenBitmap,
              TDrawSurface& cursorBitmap);
    TRenderer(const TRenderer&) = delete;
    TRenderer& operator=(const TRenderer&) = delete;

    // Draws what the terminal recorded since the last time, on both pictures.
    void Update();

    // A picture brought up to date, to read (pixels, a capture).
    const TDrawSurface& Look(TPicture picture);
    // A picture brought up to date, to draw on directly (the command channel,
    // the screen resets, a resize). The window picture may then no longer be
    // ScreenBitmap with bars on it; the next scroll copies it whole.
    TDrawSurface& Draw(TPicture picture);
    TDrawSurface& Cursor() { return CursorBitmap; }

    // The window picture takes the whole of ScreenBitmap.
    void WindowTakesAll();
    // Rows [srcY, srcY + h) of ScreenBitmap's full width move to dstY; then
    // the window takes its rows [top, top + height).
    void MoveRows(int dstY, int srcY, int h, int top, int height);

    // true: every recorded change is drawn at once, each cell alone as a fill
    // and its glyph, the cursor bar XOR-ed as it comes and every scroll a copy
    // of ScreenBitmap onto itself and into the window: the plain path that the
    // usual one is held to. The terminal calls Update after each change.
    void SetEachChange(bool on) { EachChange = on; }
    bool DrawsEachChange() const { return EachChange; }

    // How many times the pictures were brought up to date with something to
    // draw; for tests and benchmarks.
    unsigned long long Updates() const { return UpdateCount; }

  private:
    // A bar XOR-ed on the window picture and not on ScreenBitmap.
    struct TBar {
        int Row;
        int Col;
    };
    static constexpr int MaxBars = 16;

    void Scroll(int scrolls, bool windowAlike);
    // Every cell of the row is recorded for drawing: nothing of it shows through.
    bool RowCovered(int row) const;
    // The recorded cells of one row, on ScreenBitmap and, when onWindow, on
    // the window picture too.
    void DrawRow(int row, bool onWindow);
    void DrawRun(int row, int from, int to, bool onWindow);
    void XorBar(int row, int col);
    void ToggleBar(int row, int col);
    void ForgetBarsIn(int row, int from, int to);
    void ForgetBarsInRows(int top, int bottom);

    TTerminal& Terminal;
    TDrawSurface& Window;
    TDrawSurface& ScreenBitmap;
    TDrawSurface& CursorBitmap;
    bool EachChange = false;
    // The window picture is ScreenBitmap with exactly Bars XOR-ed on it.
    bool WindowAlike = true;
    TBar Bars[MaxBars] = {};
    int BarCount = 0;
    unsigned long long UpdateCount = 0;
};

} // namespace lemnar
