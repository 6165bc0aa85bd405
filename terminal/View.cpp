#include "terminal/View.h"

#include "terminal/Terminal.h"

#include <algorithm>
#include <utility>

namespace lemnar {

long long TView::LiveTop() const {
    return Terminal.History.Dropped() + Terminal.History.Count();
}

long long TView::ViewTop() const {
    if (!Viewing)
        return LiveTop();
    // History that went from the old end takes the view along.
    return std::clamp(ViewTopLine, Terminal.History.Dropped(), LiveTop());
}

int TView::ViewBack() const {
    return static_cast<int>(LiveTop() - ViewTop());
}

void TView::ScrollView(int rows) {
    const long long top = std::clamp(ViewTop() - rows, Terminal.History.Dropped(), LiveTop());
    Viewing = top < LiveTop();
    ViewTopLine = top;
}

void TView::Select(const TSelection& selection) {
    Selecting = selection;
    if (selection.ToLine < selection.FromLine ||
        (selection.ToLine == selection.FromLine && selection.ToCol < selection.FromCol)) {
        std::swap(Selecting.FromLine, Selecting.ToLine);
        std::swap(Selecting.FromCol, Selecting.ToCol);
    }
    Selected = true;
}

void TView::KeepSelection(const TScreenDamage& damage) {
    if (!Selected)
        return;
    const long long live = LiveTop();
    // Rows that scrolled into the history with cells still to draw.
    if (damage.FirstChangedPush >= 0 &&
        live - damage.Scrolls + damage.FirstChangedPush <= Selecting.ToLine &&
        Selecting.FromLine < live) {
        Selected = false;
        return;
    }
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    const int cols = std::min(Terminal.ScreenCols, StoreCols);
    for (int r = 0; r < rows; ++r) {
        const long long line = live + r;
        if (line < Selecting.FromLine || line > Selecting.ToLine)
            continue;
        // The selected columns of this line, and the recorded runs on it.
        const int first = line == Selecting.FromLine ? Selecting.FromCol : 0;
        const int last = line == Selecting.ToLine ? Selecting.ToCol : cols - 1;
        int from = 0;
        int to = 0;
        for (int at = 0; NextCellRun(damage.Dirty[r], at, cols, from, to); at = to) {
            if (from <= last && to - 1 >= first) {
                Selected = false;
                return;
            }
        }
    }
}

} // namespace lemnar
