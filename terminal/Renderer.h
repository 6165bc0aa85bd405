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
//
// The terminal speaks to it in cells: a new font and grid, a blank of the
// pictures, rows that move. Only the renderer and the command channel touch
// the surfaces.
//
// The window shows the window picture, or, while its view (TView) looks back
// into the history or shows a selection, a picture of its own (Shown):
// history rows drawn from their cells above the grid's rows taken from the
// window picture, the selected cells inverted. Neither ever reaches
// ScreenBitmap, so captures and repaints never hold them.

#include "terminal/Cell.h"
#include "terminal/DrawSurface.h"
#include "terminal/ScreenDamage.h"

#include <cstdint>

namespace lemnar {

class TTerminal;
class TView;

// Shown: the window's own picture of the history and the selection.
enum class TPicture { Window, ScreenBitmap, Shown };

// The surfaces a renderer draws on.
struct TSurfaces {
    TDrawSurface& Window;
    TDrawSurface& ScreenBitmap;
    TDrawSurface& Cursor;
    TDrawSurface& Shown;
};

class TRenderer {
  public:
    TRenderer(const TTerminal& terminal, TScreenDamage& damage, TView& view,
              const TSurfaces& surfaces);
    TRenderer(const TRenderer&) = delete;
    TRenderer& operator=(const TRenderer&) = delete;

    // Draws what the terminal recorded since the last time, on both pictures.
    void Update();

    // A picture brought up to date, to read (pixels, a capture).
    const TDrawSurface& Look(TPicture picture);
    // A picture brought up to date, to draw on directly (the command
    // channel). The window picture may then no longer be ScreenBitmap with
    // bars on it; the next scroll copies it whole. The selection goes.
    TDrawSurface& Draw(TPicture picture);

    // The picture the window is to show, brought up to date: the window
    // picture, or the shown picture while the view is in the history or a
    // selection is on.
    TPicture Show();

    // --- What the terminal tells it, in cells --------------------------------
    // The cell size of a font, which the window picture takes.
    TTextMetrics Measure(const TFontSpec& font);
    // After Measure: the pictures take a grid of cols x rows cells of the
    // terminal's cell size, ScreenBitmap the font too; CursorBitmap is the
    // bar of one cell.
    void Resize(const TFontSpec& font, int cols, int rows);
    // Both pictures black, brush black: the start-up screen.
    void BlankBlack();
    // Both pictures filled with the brush the last drawn cell left.
    void BlankInBrush();
    // The window picture takes the whole of ScreenBitmap (a repaint).
    void WindowTakesAll();
    // Rows [first, last] of the grid move `by` rows on both pictures, with
    // what was recorded drawn on them first.
    void MoveRows(int first, int last, int by);

    // true: every recorded change is drawn at once, each cell alone as a fill
    // and its glyph, the cursor bar XOR-ed as it comes and every scroll a copy
    // of ScreenBitmap onto itself and into the window: the plain path that the
    // usual one is held to. The terminal calls Update after each change.
    void UsePlainPath(bool on) { Plain = on; }

    // How many times the pictures were brought up to date with something to
    // draw; for tests and benchmarks.
    unsigned long long Updates() const { return UpdateCount; }

  private:
    TDrawSurface& Surface(TPicture picture);
    void Scroll(int scrolls, bool windowAlike);
    // Every cell of the row is recorded for drawing: nothing of it shows through.
    bool RowCovered(int row) const;
    // The recorded cells of one row, on ScreenBitmap and, when onWindow, on
    // the window picture too; whole: in runs, the glyphs filling their cells.
    void DrawRow(int row, bool onWindow, bool whole);
    void DrawRun(int row, int from, int to, bool onWindow, bool whole);
    // The window takes from ScreenBitmap what was drawn there.
    void WindowTakesRuns();
    void XorBar(int row, int col);
    // History row i on row y of the shown picture.
    void DrawHistoryRow(int y, int i);
    void InvertSelection();

    const TTerminal& Terminal;
    TScreenDamage& Damage;
    TView& View;
    TDrawSurface& Window;
    TDrawSurface& ScreenBitmap;
    TDrawSurface& CursorBitmap;
    TDrawSurface& ShownPicture;
    bool Plain = false;
    // The window picture is ScreenBitmap with exactly the bars of OnWindow
    // XOR-ed on it, one bit a cell.
    bool WindowAlike = true;
    TBarBits OnWindow;
    unsigned long long UpdateCount = 0;
};

} // namespace lemnar
