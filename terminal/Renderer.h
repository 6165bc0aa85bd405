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
// The window shows the window picture, or, while it looks back into the
// history or shows a selection, a picture of its own (Shown): history rows
// drawn from their cells above the grid's rows taken from the window
// picture, the selected cells inverted. Neither ever reaches ScreenBitmap, so
// captures and repaints never hold them. Both are in line numbers
// (TScrollback), so output that scrolls does not move them.

#include "terminal/Cell.h"
#include "terminal/DrawSurface.h"

#include <cstdint>

namespace lemnar {

class TTerminal;

enum class TPicture { Window, ScreenBitmap };

// Cells from (FromLine, FromCol) to (ToLine, ToCol), both included, along the
// rows: the first and last rows from and to those columns, whole rows between.
struct TSelection {
    long long FromLine = 0;
    int FromCol = 0;
    long long ToLine = 0;
    int ToCol = 0;
    bool Contains(long long line, int col) const {
        return (line > FromLine || (line == FromLine && col >= FromCol)) &&
               (line < ToLine || (line == ToLine && col <= ToCol));
    }
};

class TRenderer {
  public:
    TRenderer(TTerminal& terminal, TDrawSurface& window, TDrawSurface& screenBitmap,
              TDrawSurface& cursorBitmap, TDrawSurface& shown);
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

    // --- What the window shows ----------------------------------------------
    // The picture to put on the screen, brought up to date: the window
    // picture, or the shown picture while the view is in the history or a
    // selection is on.
    const TDrawSurface& Shown();
    // The line of the grid's top row, and of the window's top row.
    long long LiveTop() const;
    long long ViewTop() const;
    // Rows of history above the window's top row (0: the live screen).
    int ViewBack() const;
    // Moves the view rows further back into the history (negative: towards
    // the live screen), kept within the history.
    void ScrollView(int rows);
    void ViewLive() { Viewing = false; }
    // The line shown on a row of the window.
    long long LineAt(int row) const { return ViewTop() + row; }

    // The selection, if any. It goes when a cell under it changes, at a
    // resize and when anything draws on the pictures directly.
    const TSelection* Selection() const { return Selected ? &Selecting : nullptr; }
    void Select(const TSelection& selection);
    void ClearSelection() { Selected = false; }

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
    // the window picture too; whole: in runs, the glyphs filling their cells.
    void DrawRow(int row, bool onWindow, bool whole);
    void DrawRun(int row, int from, int to, bool onWindow, bool whole);
    // The window takes from ScreenBitmap what was drawn there.
    void WindowTakesRuns();
    void XorBar(int row, int col);
    void ToggleBar(int row, int col);
    void ForgetBarsIn(int row, int from, int to);
    void ForgetBarsInRows(int top, int bottom);
    // Drops the selection when a cell under it has changed since the last
    // update.
    void KeepSelection();
    // History row i on row y of the shown picture.
    void DrawHistoryRow(int y, int i);
    void InvertSelection();

    TTerminal& Terminal;
    TDrawSurface& Window;
    TDrawSurface& ScreenBitmap;
    TDrawSurface& CursorBitmap;
    TDrawSurface& ShownPicture;
    bool EachChange = false;
    // The view into the history: its top line, while Viewing.
    bool Viewing = false;
    long long ViewTopLine = 0;
    bool Selected = false;
    TSelection Selecting;
    // The window picture is ScreenBitmap with exactly Bars XOR-ed on it.
    bool WindowAlike = true;
    TBar Bars[MaxBars] = {};
    int BarCount = 0;
    unsigned long long UpdateCount = 0;
};

} // namespace lemnar
