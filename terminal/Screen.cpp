// The character grid. Every cell change, scroll and cursor bar XOR is
// recorded in Damage; the renderer draws them on the window picture and
// ScreenBitmap when something looks. The cursor bar lives only on the window
// picture, XOR-ed in and out.

#include "terminal/Terminal.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lemnar {

TTerminal::TTerminal(TTerminalHost& host, const TSurfaces& surfaces)
    : Host(host), View(*this), Renderer(*this, Damage, View, surfaces) {
    for (auto& row : ScreenCells)
        std::fill(std::begin(row), std::end(row), Cell{' ', 3, 3, 0});
}

void TTerminal::UsePlainPath(bool on) {
    Renderer.Update();
    Plain = on;
    Renderer.UsePlainPath(on);
}

void TTerminal::UpdateCellMetrics() {
    // The rows change: the window shows the live grid again.
    View.ViewLive();
    const TFontSpec font = Host.WindowFont();
    const TTextMetrics metrics = Renderer.Measure(font);
    CellWidth = std::max(1, metrics.AveCharWidth);
    CellHeight = std::max(1, metrics.Height);

    const int oldCols = ScreenCols;
    const int oldRows = ScreenRows;
    ScreenCols = std::clamp(Host.ClientWidth() / CellWidth, 1, StoreCols);
    ScreenRows = std::clamp(Host.ClientHeight() / CellHeight, 1, StoreRows);
    // The pictures keep what both grids share; a cell outside that shows
    // black if the grid takes it in again.
    for (int r = 0; r < StoreRows; ++r)
        for (int c = std::min(oldCols, ScreenCols); c < StoreCols; ++c)
            Painted[r][c / 64] &= ~(std::uint64_t{1} << (c % 64));
    for (int r = std::min(oldRows, ScreenRows); r < StoreRows; ++r)
        std::memset(Painted[r], 0, sizeof(Painted[r]));
    const int width = ScreenCols * CellWidth;
    const int height = ScreenRows * CellHeight;
    Host.SetClientSize(width, height);
    Renderer.Resize(font, ScreenCols, ScreenRows);
}

void TTerminal::ResetScreen() {
    for (auto& row : ScreenCells)
        std::fill(std::begin(row), std::end(row), Cell{' ', 3, 3, 0});
    Unpaint();
    Renderer.BlankBlack();
    CursorRow = CursorCol = CaretRow = CaretCol = 0;
    CursorDrawn = 0;
}

void TTerminal::FormPaint() {
    Renderer.WindowTakesAll();
    if (CommandMode == 0)
        ShowCursor();
}

void TTerminal::DrawCell(int row, int col) {
    if (!InGrid(row, col))
        return;
    Damaged(row, col, col + 1, ScreenCells[row][col]);
}

void TTerminal::StampCell(int row, int col, std::uint8_t f, std::uint8_t b) {
    if (!InGrid(row, col))
        return;
    StampAttributes(ScreenCells[row][col], f, b);
    DrawCell(row, col);
}

bool TTerminal::ClipToGrid(int row, int& colFrom, int& colTo) const {
    colFrom = std::max(colFrom, 0);
    colTo = std::min(colTo, ScreenCols);
    return row >= 0 && row < ScreenRows && colFrom < colTo;
}

void TTerminal::StampCells(int row, int colFrom, int colTo) {
    if (!ClipToGrid(row, colFrom, colTo))
        return;
    if (Plain) {
        for (int c = colFrom; c < colTo; ++c)
            StampCell(row, c, TextFg, TextBg);
        return;
    }
    StampRun(row, colFrom, colTo, nullptr);
}

void TTerminal::StampRun(int row, int colFrom, int colTo, const char* text) {
    // The colours a stamp gives do not depend on the cell, so they are
    // worked out once; blink and conceal act on each cell. Everything is in
    // locals: a store to a cell's byte could otherwise be taken to change
    // the attributes, which would be read again for every cell.
    Cell stamp{' ', 0, 0, 0};
    StampAttributes(stamp, TextFg, TextBg);
    const std::uint32_t colours = std::uint32_t{stamp.Fg} << 8 | std::uint32_t{stamp.Bg} << 16;
    // Blink 1 under the blink attribute, else the cell keeps its own.
    const std::uint32_t keep = BlinkAttr ? 0 : 0xFF000000u;
    const std::uint32_t blink = BlinkAttr ? std::uint32_t{1} << 24 : 0;
    const bool conceal = ConcealAttr != 0;
    // A cell as a word: character, fg, bg, blink from the low byte up.
    static_assert(std::endian::native == std::endian::little);
    Cell* cells = ScreenCells[row] + colFrom;
    const int n = colTo - colFrom;
    for (int i = 0; i < n; ++i) {
        std::uint32_t cell;
        std::memcpy(&cell, cells + i, sizeof cell);
        const std::uint32_t ch = conceal           ? ' '
                                 : text != nullptr ? static_cast<std::uint8_t>(text[i])
                                                   : cell & 0xFF;
        cell = (cell & keep) | blink | colours | ch;
        std::memcpy(cells + i, &cell, sizeof cell);
    }
    Damaged(row, colFrom, colTo, stamp);
}

void TTerminal::StampAttributes(Cell& cell, std::uint8_t f, std::uint8_t b) const {
    if (BlinkAttr)
        cell.Blink = 1;
    // Reverse swaps the base colours first; the bright bits go on afterwards.
    cell.Fg = ReverseAttr ? b : f;
    cell.Bg = ReverseAttr ? f : b;
    if (BrightFg)
        cell.Fg |= 8;
    if (BrightBg)
        cell.Bg |= 8;
    cell.Fg &= 15;
    cell.Bg &= 15;
    if (ConcealAttr)
        cell.Ch = ' ';
}

void TTerminal::ClearCell(int row, int col) {
    if (!InGrid(row, col))
        return;
    ScreenCells[row][col].Ch = ' ';
    ScreenCells[row][col].Blink = 0;
    StampCell(row, col, ClearFg, ClearBg);
}

void TTerminal::ClearCells(int row, int colFrom, int colTo) {
    if (!ClipToGrid(row, colFrom, colTo))
        return;
    if (Plain) {
        for (int c = colFrom; c < colTo; ++c)
            ClearCell(row, c);
        return;
    }
    Cell blank{' ', 0, 0, 0};
    StampAttributes(blank, ClearFg, ClearBg);
    std::fill(ScreenCells[row] + colFrom, ScreenCells[row] + colTo, blank);
    Damaged(row, colFrom, colTo, blank);
}

void TTerminal::PutChar(char c) {
    HideCursor();
    // Some sequences leave the write position outside the grid in use (the
    // unbounded moves, a repeat that ran to the line end, a shrunk window):
    // the character then goes to the nearest cell of the grid.
    const int row = std::clamp(CursorRow, 0, ScreenRows - 1);
    const int col = std::clamp(CursorCol, 0, ScreenCols - 1);
    CursorRow = row;
    CursorCol = col;
    ScreenCells[row][col].Ch = static_cast<std::uint8_t>(c);
    StampCell(row, col, TextFg, TextBg);
    int nextRow = row;
    int nextCol = col + 1;
    if (nextCol > ScreenCols - 1) {
        if (AutoWrap == 1) {
            nextCol = 0;
            ++nextRow;
            if (nextRow > ScreenRows - 1) {
                CursorRow = nextRow;
                CursorCol = nextCol;
                ScrollUp();
                nextRow = ScreenRows - 1;
            }
        } else {
            nextCol = ScreenCols - 1;
        }
    }
    CursorRow = nextRow;
    CursorCol = nextCol;
    if (CursorFollows) {
        CaretCol = nextCol;
        CaretRow = nextRow;
    }
    ShowCursor();
}

void TTerminal::PutText(const char* bytes, int n) {
    while (n > 0) {
        // With the caret at the write position and following it, the
        // characters from there up to the column before the last do what
        // PutChar would do one after another: the bar leaves the first cell,
        // the cells are written in the text colours, and the bar shows after
        // the last. Anything else goes through PutChar.
        const int row = CursorRow;
        const int col = CursorCol;
        const int room = ScreenCols - 1 - col;
        if (Plain || room < 1 || col < 0 || row < 0 || row >= ScreenRows || CursorFollows == 0 ||
            CaretRow != row || CaretCol != col) {
            PutChar(*bytes++);
            --n;
            continue;
        }
        const int k = std::min(n, room);
        HideCursor();
        StampRun(row, col, col + k, bytes);
        CursorCol = CaretCol = col + k;
        ShowCursor();
        bytes += k;
        n -= k;
    }
}

void TTerminal::ScrollUp() {
    History.Push(ScreenCells[0], ScreenCols, Painted[0]);
    for (int r = 1; r < ScreenRows; ++r)
        std::copy_n(ScreenCells[r], ScreenCols, ScreenCells[r - 1]);
    // The picture moves with the cells; the row that comes in is black.
    std::memmove(Painted[0], Painted[1],
                 sizeof(Painted[0]) * static_cast<std::size_t>(ScreenRows - 1));
    std::memset(Painted[ScreenRows - 1], 0, sizeof(Painted[0]));
    const std::uint8_t fg = (ClearFg | (BrightFg ? 8 : 0)) & 15;
    const std::uint8_t bg = (ClearBg | (BrightBg ? 8 : 0)) & 15;
    std::fill_n(ScreenCells[ScreenRows - 1], ScreenCols, Cell{' ', fg, bg, 0});
    // The strip that scrolls in is black whatever the clear colours are.
    Damage.Scroll(ScreenRows);
    Changed();
}

void TTerminal::MoveRows(int first, int last, int by) {
    if (first > last)
        return;
    // The pictures move first, with what was recorded drawn on them; then the
    // cells. The cursor bar is off here: ESC has hidden it.
    Renderer.MoveRows(first, last, by);
    if (by > 0) {
        for (int r = last; r >= first; --r)
            std::copy_n(ScreenCells[r], ScreenCols, ScreenCells[r + by]);
    } else {
        for (int r = first; r <= last; ++r)
            std::copy_n(ScreenCells[r], ScreenCols, ScreenCells[r + by]);
    }
    std::memmove(Painted[first + by], Painted[first],
                 sizeof(Painted[0]) * static_cast<std::size_t>(last - first + 1));
}

void TTerminal::ResetAfterDisconnect() {
    HideCursor();
    TextFg = 7;
    TextBg = 0;
    for (int r = 0; r < ScreenRows; ++r)
        for (int c = 0; c < ScreenCols; ++c) {
            ScreenCells[r][c].Ch = ' ';
            StampCell(r, c, TextFg, TextBg);
        }
    // The fill uses the brush that the last drawn cell left on each picture.
    Renderer.BlankInBrush();
    CursorCol = CursorRow = CaretCol = CaretRow = 0;
    ShowCursor();
}

} // namespace lemnar
