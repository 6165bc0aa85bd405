// The receive path of every terminal type: blocks of server bytes through the
// dispatcher, with the grid size, the block lengths and a window resize taken
// from the input. After every block the terminal's state must be one the
// interpreters can produce, and no cell outside the grid in use may change.
// A second terminal takes the same blocks on the plain path, every change
// drawn at once, each cell alone: whenever the first one's pictures are
// looked at (every few blocks), both pictures pixel for pixel, the cells and
// the whole state must come out the same.

#include "FuzzInput.h"
#include "FuzzSurface.h"
#include "support/TerminalState.h"

#include <cstring>
#include <initializer_list>
#include <memory>

namespace lemnar {
namespace {

bool OneOf(int v, std::initializer_list<int> values) {
    for (int x : values)
        if (v == x)
            return true;
    return false;
}

bool EscStateKnown(const TTerminal& t) {
    if (t.TerminalType == TermQnx)
        return (t.EscState >= 0 && t.EscState <= 12) || t.EscState == EscControl;
    if (t.TerminalType == TermAnsi)
        return OneOf(t.EscState, {0, 1, 2, 11, 12, EscControl});
    return OneOf(t.EscState, {0, 1, 11, 12, EscControl});
}

bool ColoursInRange(const TTerminal& t) {
    for (std::uint8_t c : {t.TextFg, t.TextBg, t.ClearFg, t.ClearBg, t.SavedFg, t.SavedBg})
        if (c > 15)
            return false;
    for (int r = 0; r < t.ScreenRows; ++r)
        for (int c = 0; c < t.ScreenCols; ++c)
            if (t.ScreenCells[r][c].Fg > 15 || t.ScreenCells[r][c].Bg > 15)
                return false;
    return true;
}

// Blanks every store cell outside the grid in use with a mark no interpreter
// writes, so any write there shows.
void MarkOutside(TTerminal& t) {
    for (int r = 0; r < StoreRows; ++r)
        for (int c = 0; c < StoreCols; ++c)
            if (!t.InGrid(r, c))
                t.ScreenCells[r][c] = Cell{0xA5, 0xEE, 0xEE, 0x5A};
}

// After the grid grows, the cells it takes in hold what the store held there
// before any mark: the start value.
void UnmarkInside(TTerminal& t) {
    for (int r = 0; r < t.ScreenRows; ++r)
        for (int c = 0; c < t.ScreenCols; ++c)
            if (t.ScreenCells[r][c].Blink == 0x5A)
                t.ScreenCells[r][c] = Cell{' ', 3, 3, 0};
}

bool OutsideUntouched(const TTerminal& t) {
    for (int r = 0; r < StoreRows; ++r)
        for (int c = 0; c < StoreCols; ++c) {
            if (t.InGrid(r, c))
                continue;
            const Cell& cell = t.ScreenCells[r][c];
            if (cell.Ch != 0xA5 || cell.Fg != 0xEE || cell.Bg != 0xEE || cell.Blink != 0x5A)
                return false;
        }
    return true;
}

// The cell scans cost a pass over the store; they run every few blocks and at
// the end, the cheap checks after every block.
void CheckState(const TTerminal& t, bool scanCells) {
    FuzzCheck(EscStateKnown(t));
    FuzzCheck(t.CommandMode <= 1);
    FuzzCheck(t.CommandLength >= 0 && t.CommandLength <= CommandBufferSize - 1);
    FuzzCheck(t.CommandMode == 1 || t.CommandLength == 0);
    if (scanCells) {
        FuzzCheck(ColoursInRange(t));
        FuzzCheck(OutsideUntouched(t));
    }
    FuzzCheck(t.RepeatCount >= 0 && t.RepeatCount <= 95);
    FuzzCheck(t.AnsiParamLength >= 0 && t.AnsiParamLength < static_cast<int>(sizeof t.AnsiParams));
    FuzzCheck(t.ScreenRows >= 1 && t.ScreenRows <= StoreRows);
    FuzzCheck(t.ScreenCols >= 1 && t.ScreenCols <= StoreCols);
    // The write position and the caret may leave the grid by design, but no
    // stream may drive them towards an overflow.
    for (int v : {t.CursorRow, t.CursorCol, t.CaretRow, t.CaretCol})
        FuzzCheck(v > -(1 << 30) && v < (1 << 30));
}

// The pictures of the terminal that records and draws when looked at
// against those of the one that draws every change at once.
void CheckSameAs(TFuzzTerminal& usual, TFuzzTerminal& plain) {
    FuzzCheck(test::StateDifference(usual.Terminal, plain.Terminal).empty());
    FuzzCheck(usual.Window.SamePixels(plain.Window));
    FuzzCheck(usual.Bitmap.SamePixels(plain.Bitmap));
    FuzzCheck(usual.Host.Beeps == plain.Host.Beeps);
}

constexpr std::uint8_t TypeOf[4] = {TermQnx, TermAnsi, TermTty, 7};

} // namespace
} // namespace lemnar

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lemnar;
    TFuzzInput input(data, size);
    const std::uint8_t type = TypeOf[input.TakeByte() % 4];
    const int cols = 1 + input.TakeByte() % StoreCols;
    const int rows = 1 + input.TakeByte() % StoreRows;
    const std::uint8_t split = input.TakeByte();
    const std::uint8_t resize = input.TakeByte();
    input.SeedSplits(split * 2654435761u + resize);

    auto f = std::make_unique<TFuzzTerminal>(cols, rows, type);
    auto d = std::make_unique<TFuzzTerminal>(cols, rows, type);
    d->Terminal.UsePlainPath(true);
    TTerminal& t = f->Terminal;
    MarkOutside(t);
    MarkOutside(d->Terminal);
    // split 0: the whole stream in pieces of a received block; else blocks of
    // 1 to split bytes.
    const std::size_t maxBlock = split == 0 ? RecvBlockSize : split;
    bool resized = false;
    unsigned blocks = 0;
    while (!input.AtEnd()) {
        std::string_view block = input.NextBlock(maxBlock);
        t.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
        d->Terminal.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(block.data()),
                                        block.size());
        const bool scan = ++blocks % 16 == 0 || input.AtEnd() || ((resize & 0x80) != 0 && !resized);
        CheckState(t, scan);
        if (scan)
            CheckSameAs(*f, *d);
        // A window resize between blocks, as the user may make one while the
        // write position is anywhere.
        if ((resize & 0x80) != 0 && !resized) {
            resized = true;
            for (TFuzzTerminal* each : {f.get(), d.get()}) {
                each->Host.SetClientSize((1 + (resize & 0x7F) % StoreCols) * TFuzzSurface::CellW,
                                         (1 + (resize * 7) % StoreRows) * TFuzzSurface::CellH);
                each->Terminal.UpdateCellMetrics();
                UnmarkInside(each->Terminal);
                MarkOutside(each->Terminal);
            }
        }
    }
    return 0;
}
