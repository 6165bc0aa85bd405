// The character grid and its two pictures. Every cell change is drawn at once
// onto the window picture and ScreenBitmap; the cursor bar lives only on the
// window picture, XOR-ed in and out.

#include "terminal/Terminal.h"

#include <algorithm>

namespace lemnar {

namespace {

constexpr TColor Black = Rgb(0, 0, 0);
constexpr TColor White = Rgb(255, 255, 255);

} // namespace

TTerminal::TTerminal(TTerminalHost& host, TDrawSurface& window, TDrawSurface& screenBitmap,
                     TDrawSurface& cursorBitmap)
    : Host(host), Pictures(window, screenBitmap, *this), CursorBitmap(cursorBitmap) {
    for (auto& row : ScreenCells)
        std::fill(std::begin(row), std::end(row), Cell{' ', 3, 3, 0});
}

void TTerminal::UpdateCellMetrics() {
    const TFontSpec font = Host.WindowFont();
    Window.SetFont(font);
    const TTextMetrics metrics = Window.TextMetrics();
    CellWidth = std::max(1, metrics.AveCharWidth);
    CellHeight = std::max(1, metrics.Height);

    ScreenCols = std::clamp(Host.ClientWidth() / CellWidth, 1, StoreCols);
    ScreenRows = std::clamp(Host.ClientHeight() / CellHeight, 1, StoreRows);
    const int width = ScreenCols * CellWidth;
    const int height = ScreenRows * CellHeight;
    Host.SetClientSize(width, height);

    Window.Resize(width, height);
    Window.SetBrushColor(Black);
    Window.SetBrushStyle(TBrushStyle::Solid);
    Window.SetPenMode(TMixMode::Copy);
    Window.SetPenWidth(1);

    ScreenBitmap.Resize(width, height);
    ScreenBitmap.SetBrushColor(Black);
    ScreenBitmap.SetBrushStyle(TBrushStyle::Solid);
    ScreenBitmap.SetPenMode(TMixMode::Copy);
    ScreenBitmap.SetPenWidth(Window.PenWidth());
    ScreenBitmap.SetFont(font);
    ScreenBitmap.SetFontColor(Window.FontColor());

    const TTextMetrics bitmapMetrics = ScreenBitmap.TextMetrics();
    GlyphFillsCell = bitmapMetrics.AveCharWidth == CellWidth &&
                     bitmapMetrics.Height == CellHeight && metrics.AveCharWidth == CellWidth &&
                     metrics.Height == CellHeight;

    CursorBitmap.Resize(CellWidth, 2);
    CursorBitmap.SetBrushColor(White);
    CursorBitmap.SetBrushStyle(TBrushStyle::Solid);
    CursorBitmap.FillRect(0, 0, CellWidth, 2);
}

void TTerminal::ResetScreen() {
    for (auto& row : ScreenCells)
        std::fill(std::begin(row), std::end(row), Cell{' ', 3, 3, 0});
    for (TDrawSurface* s : {&Window, &ScreenBitmap}) {
        s->SetBrushColor(Black);
        s->SetBrushStyle(TBrushStyle::Solid);
        s->FillRect(0, 0, s->Width(), s->Height());
    }
    CursorRow = CursorCol = CaretRow = CaretCol = 0;
    CursorDrawn = 0;
}

void TTerminal::FormPaint() {
    Window.CopyRect(0, 0, ScreenBitmap.Width(), ScreenBitmap.Height(), ScreenBitmap, 0, 0,
                    TCopyMode::SrcCopy);
    if (CommandMode == 0)
        ShowCursor();
}

void TTerminal::XorBar(int x, int y, int width) {
    // The bar goes on the window picture alone, which then stops following.
    Pictures.Interrupt();
    Pictures.WindowSide.Target().CopyRect(x, y, width, 2, CursorBitmap, 0, 0, TCopyMode::SrcXor);
}

void TTerminal::BeginBlock() {
    DeferBar = true;
    // The window can follow ScreenBitmap only while its picture is the same:
    // a bar on it is taken out and left waiting at its place, which draws
    // the same in the end. If the pictures still differ it goes back.
    const bool barShown = CursorDrawn == 1 && CursorHidden != 1 && !BarWaiting;
    const int x = CaretCol * CellWidth;
    const int y = (CaretRow + 1) * CellHeight - 2;
    if (barShown)
        XorBar(x, y, CellWidth);
    Pictures.Begin();
    if (!barShown)
        return;
    if (!Pictures.Following()) {
        XorBar(x, y, CellWidth);
        return;
    }
    LeaveBarWaiting(x, y);
}

void TTerminal::EndBlock() {
    DeferBar = false;
    Pictures.Flush();
    PlaceWaitingBar();
}

void TTerminal::LeaveBarWaiting(int x, int y) {
    BarWaiting = true;
    WaitingBarX = x;
    WaitingBarY = y;
    WaitingBarWidth = CellWidth;
}

bool TTerminal::BarWaitsAt(int row, int col) const {
    return BarWaiting && WaitingBarX == col * CellWidth &&
           WaitingBarY == (row + 1) * CellHeight - 2 && WaitingBarWidth == CellWidth;
}

bool TTerminal::DropWaitingBarAt(int row, int col) {
    if (!BarWaitsAt(row, col))
        return false;
    BarWaiting = false;
    return true;
}

void TTerminal::PlaceWaitingBar() {
    if (!BarWaiting)
        return;
    BarWaiting = false;
    XorBar(WaitingBarX, WaitingBarY, WaitingBarWidth);
}

void TTerminal::ShowCursor() {
    if (CursorHidden == 1)
        return;
    CursorDrawn = 1;
    const int x = CaretCol * CellWidth;
    const int y = (CaretRow + 1) * CellHeight - 2;
    PlaceWaitingBar();
    if (DeferBar) {
        LeaveBarWaiting(x, y);
        return;
    }
    XorBar(x, y, CellWidth);
}

void TTerminal::HideCursor() {
    if (CursorHidden == 1 || CursorDrawn == 0)
        return;
    CursorDrawn = 0;
    // A waiting bar at this very place: XOR-ing it in and out again leaves
    // the picture as it is.
    if (DropWaitingBarAt(CaretRow, CaretCol))
        return;
    PlaceWaitingBar();
    XorBar(CaretCol * CellWidth, (CaretRow + 1) * CellHeight - 2, CellWidth);
}

void TTerminal::DrawCell(int row, int col) {
    if (!InGrid(row, col))
        return;
    const Cell& cell = ScreenCells[row][col];
    // The brush is solid here (every command leaves it so): an opaque glyph
    // of the cell's size paints the same pixels as fill and glyph.
    Pictures.Cell(col * CellWidth, row * CellHeight, CellWidth, CellHeight, cell.Ch,
                  TextPalette[cell.Fg & 15], TextPalette[cell.Bg & 15], !GlyphFillsCell);
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
    if (!GlyphFillsCell) {
        for (int c = colFrom; c < colTo; ++c)
            StampCell(row, c, TextFg, TextBg);
        return;
    }
    // The colours a stamp gives do not depend on the cell, so the first
    // cell's are the others' (blink and conceal act on each); and each glyph
    // paints exactly its cell, so the glyphs side by side in one call paint
    // what they would one by one and leave the same brush and font colours.
    Cell* cells = ScreenCells[row];
    const Cell& first = cells[colFrom];
    StampAttributes(cells[colFrom], TextFg, TextBg);
    std::uint8_t text[StoreCols];
    text[0] = first.Ch;
    for (int c = colFrom + 1; c < colTo; ++c) {
        Cell& cell = cells[c];
        cell.Fg = first.Fg;
        cell.Bg = first.Bg;
        if (BlinkAttr)
            cell.Blink = 1;
        if (ConcealAttr)
            cell.Ch = ' ';
        text[c - colFrom] = cell.Ch;
    }
    Pictures.Text(colFrom * CellWidth, row * CellHeight, text,
                  static_cast<std::size_t>(colTo - colFrom), TextPalette[first.Fg & 15],
                  TextPalette[first.Bg & 15]);
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
    if (!GlyphFillsCell) {
        for (int c = colFrom; c < colTo; ++c)
            ClearCell(row, c);
        return;
    }
    // Every cell becomes the same blank in the same colours, and a blank's
    // glyph is all paper: one fill per picture paints what the cells would
    // one by one, and leaves the same brush and font colours behind.
    Cell blank{' ', 0, 0, 0};
    StampAttributes(blank, ClearFg, ClearBg);
    std::fill(ScreenCells[row] + colFrom, ScreenCells[row] + colTo, blank);
    Pictures.Blank(colFrom * CellWidth, row * CellHeight, (colTo - colFrom) * CellWidth, CellHeight,
                   TextPalette[blank.Fg & 15], TextPalette[blank.Bg & 15]);
}

void TTerminal::PutChar(char c) {
    // Some sequences leave the write position outside the grid in use (the
    // unbounded moves, a repeat that ran to the line end, a shrunk window):
    // the character then goes to the nearest cell of the grid. The position is
    // worked on in locals and stored whole, which the processor handles
    // better than reading back fields just written.
    const int row = std::clamp(CursorRow, 0, ScreenRows - 1);
    const int col = std::clamp(CursorCol, 0, ScreenCols - 1);
    CursorRow = row;
    CursorCol = col;
    // The bar lies inside the caret's cell. When that is the cell about to be
    // drawn and the glyph paints all of it, the drawing takes the bar away
    // just as XOR-ing it out first would.
    if (CursorDrawn == 1 && CursorHidden != 1 && GlyphFillsCell && CaretRow == row &&
        CaretCol == col) {
        CursorDrawn = 0;
        // A bar still waiting at this cell never needs to be drawn at all.
        DropWaitingBarAt(row, col);
    } else {
        HideCursor();
    }
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
        // Inside a block, with the caret at the write position and following
        // it, and glyphs that fill their cells, the characters from there up
        // to the column before the last take the same steps one after
        // another: each finds no bar drawn, or drops the one waiting on its
        // cell, and leaves one waiting on the next, so only the last bar is
        // left, waiting. Anything else goes through PutChar.
        const int row = CursorRow;
        const int col = CursorCol;
        const int room = ScreenCols - 1 - col;
        const bool noBarInTheWay = CursorHidden == 1 ||
                                   (CursorDrawn == 1 && BarWaitsAt(row, col)) ||
                                   (CursorDrawn == 0 && !BarWaiting);
        if (room < 1 || col < 0 || row < 0 || row >= ScreenRows || !DeferBar || !GlyphFillsCell ||
            CursorFollows == 0 || CaretRow != row || CaretCol != col || !noBarInTheWay) {
            PutChar(*bytes++);
            --n;
            continue;
        }
        const int k = std::min(n, room);
        for (int i = 0; i < k; ++i)
            ScreenCells[row][col + i].Ch = static_cast<std::uint8_t>(bytes[i]);
        if (CursorHidden != 1) {
            BarWaiting = false;
            CursorDrawn = 0;
        }
        StampCells(row, col, col + k);
        CursorCol = CaretCol = col + k;
        ShowCursor();
        bytes += k;
        n -= k;
    }
}

void TTerminal::ScrollUp() {
    for (int r = 1; r < ScreenRows; ++r)
        std::copy_n(ScreenCells[r], ScreenCols, ScreenCells[r - 1]);
    const std::uint8_t fg = (ClearFg | (BrightFg ? 8 : 0)) & 15;
    const std::uint8_t bg = (ClearBg | (BrightBg ? 8 : 0)) & 15;
    std::fill_n(ScreenCells[ScreenRows - 1], ScreenCols, Cell{' ', fg, bg, 0});

    // The strip that scrolls in is black whatever the clear colours are.
    Pictures.Scroll(CellHeight);
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
    for (TDrawSurface* s : {&Window, &ScreenBitmap})
        s->FillRect(0, 0, s->Width(), s->Height());
    CursorCol = CursorRow = CaretCol = CaretRow = 0;
    ShowCursor();
}

} // namespace lemnar
