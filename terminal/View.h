#pragma once
// What the window shows of the terminal: the live grid, or rows further back
// in the history; and the selection. Both are in line numbers (TScrollback),
// so output that scrolls does not move them. The view only keeps positions;
// the renderer draws what it shows.

#include "terminal/ScreenDamage.h"

namespace lemnar {

class TTerminal;

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

class TView {
  public:
    explicit TView(const TTerminal& terminal) : Terminal(terminal) {}
    TView(const TView&) = delete;
    TView& operator=(const TView&) = delete;

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

    // The window shows something other than its own picture: the history,
    // or a selection over it.
    bool ShowsOwnPicture() const { return Viewing || Selected; }
    // Drops the selection when a cell under it changed in what was recorded
    // (before the pictures are brought up to date with it).
    void KeepSelection(const TScreenDamage& damage);

  private:
    const TTerminal& Terminal;
    // The view into the history: its top line, while Viewing.
    bool Viewing = false;
    long long ViewTopLine = 0;
    bool Selected = false;
    TSelection Selecting;
};

} // namespace lemnar
