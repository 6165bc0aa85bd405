// The QNX console interpreter: control characters and ESC sequences of one
// command byte and up to two argument bytes, one byte per call. Coordinates
// and counts arrive as a byte with 32 added, colours as a byte with '0' added.

#include "terminal/Terminal.h"

#include <algorithm>

namespace lemnar {

namespace {

// EscState values of this interpreter; each lasts exactly one byte.
constexpr int EscQnxVisibility = 2;  // ESC y: the visibility argument
constexpr int EscQnxRow = 3;         // ESC = / ESC Y: the row + 32
constexpr int EscQnxColumn = 4;      // row received: the column + 32
constexpr int EscQnxRepeatCount = 5; // ESC g: the count + 32
constexpr int EscQnxRepeatChar = 6;  // count received: the character
constexpr int EscQnxTextFg = 7;      // ESC @: the foreground + '0'
constexpr int EscQnxTextBg = 8;      // foreground received: the background + '0'
constexpr int EscQnxClearFg = 9;     // ESC !: the clear foreground + '0'
constexpr int EscQnxClearBg = 10;    // clear foreground received: the clear background
constexpr int EscQnxCommandArg = 11; // ESC G: '1' or another byte
constexpr int EscQnxCommandEnd = 12; // ESC G x: '~'

constexpr int ArgumentOffset = 32;
// ESC C stops at this column whatever the width of the grid.
constexpr int CursorRightLimit = 79;

// A coordinate or count byte; bytes below 0x20 and from 0x80 (negative as
// signed chars) give values below 0.
int ArgumentValue(char b) {
    return b - ArgumentOffset;
}

// '0'..'9', ':'..'?' give 0..15; any other byte wraps into the same range.
std::uint8_t ColorIndex(char b) {
    return static_cast<std::uint8_t>((b - '0') & 15);
}

// --- Control characters -----------------------------------------------------

// Form feed clears the grid in use and leaves both positions where they are.
void FormFeed(TTerminal& t) {
    t.HideCursor();
    for (int r = 0; r < t.ScreenRows; ++r)
        t.ClearCells(r, 0, t.ScreenCols);
    t.ShowCursor();
}

int Control(TTerminal& t) {
    switch (t.CurrentByte) {
    // LF: next row, scrolling on the bottom row; the column stays
    case Lf:
        t.LineFeed();
        break;
    // CR: column 0
    case Cr:
        t.CarriageReturn();
        break;
    // BS: one column left, re-stamped, not erased
    case Bs:
        t.BackspaceInPlace();
        break;
    // FF: clear the grid in the clear colours, no move
    case Ff:
        FormFeed(t);
        break;
    // BEL: alert beep
    case Bel:
        t.Bell();
        break;
    default:
        break;
    }
    return EscGround;
}

// --- Clearing, inserting and deleting -----------------------------------------
// The write position may lie outside the grid; these touch only the cells of
// the grid and never move the position or the caret.

// ESC J: the rectangle from the write position to the bottom right corner.
void ClearRectangle(TTerminal& t) {
    for (int r = std::max(t.CursorRow, 0); r < t.ScreenRows; ++r)
        t.ClearCells(r, t.CursorCol, t.ScreenCols);
}

// ESC K: from the write position to the end of the line.
void ClearToLineEnd(TTerminal& t) {
    t.ClearCells(t.CursorRow, t.CursorCol, t.ScreenCols);
}

void Blank(TTerminal& t, int row, int col) {
    if (!t.InGrid(row, col))
        return;
    t.ScreenCells[row][col].Ch = ' ';
    t.ScreenCells[row][col].Blink = 0;
    t.StampCell(row, col, t.TextFg, t.TextBg);
}

// ESC e: the rest of the line moves right one cell, taking the current
// colours; the cell at the write position becomes a blank in those colours.
void InsertChar(TTerminal& t) {
    const int row = t.CursorRow;
    if (row < 0 || row >= t.ScreenRows)
        return;
    const int col = t.CursorCol;
    Cell* line = t.ScreenCells[row];
    for (int c = t.ScreenCols - 1; c >= std::max(col + 1, 1); --c)
        line[c] = line[c - 1];
    for (int c = std::max(col + 1, 0); c < t.ScreenCols; ++c)
        t.StampCell(row, c, t.TextFg, t.TextBg);
    Blank(t, row, col);
}

// ESC f: the rest of the line moves left one cell, taking the current
// colours; the last cell becomes a blank in those colours.
void DeleteChar(TTerminal& t) {
    const int row = t.CursorRow;
    if (row < 0 || row >= t.ScreenRows)
        return;
    Cell* line = t.ScreenCells[row];
    for (int c = std::max(t.CursorCol, 0); c < t.ScreenCols - 1; ++c) {
        line[c] = line[c + 1];
        t.StampCell(row, c, t.TextFg, t.TextBg);
    }
    Blank(t, row, t.ScreenCols - 1);
}

void ClearRow(TTerminal& t, int row) {
    t.ClearCells(row, 0, t.ScreenCols);
}

// ESC E: rows from `row` down move one row down, the bottom row's content is
// lost and `row` becomes blank in the clear colours.
void InsertLine(TTerminal& t, int row) {
    if (row < 0 || row >= t.ScreenRows)
        return;
    t.MoveRows(row, t.ScreenRows - 2, 1);
    ClearRow(t, row);
}

// ESC F: rows below `row` move one row up over it and the bottom row becomes
// blank in the clear colours.
void DeleteLine(TTerminal& t, int row) {
    if (row < 0 || row >= t.ScreenRows)
        return;
    t.MoveRows(row + 1, t.ScreenRows - 1, -1);
    ClearRow(t, t.ScreenRows - 1);
}

// ESC I: one row up; on the top row the screen moves down instead.
void ReverseIndex(TTerminal& t) {
    if (t.CursorRow > 0)
        --t.CursorRow;
    else if (t.CursorRow == 0)
        InsertLine(t, 0);
}

// --- Sequences ----------------------------------------------------------------

// The byte after ESC. Returns the next state.
int CommandByte(TTerminal& t) {
    switch (t.CurrentByte) {
    // ESC ( / ESC ): reverse video on / off
    case '(':
        t.ReverseAttr = 1;
        return EscGround;
    case ')':
        t.ReverseAttr = 0;
        return EscGround;
    // ESC < / ESC >: bright foreground on / off
    case '<':
        t.BrightFg = 1;
        return EscGround;
    case '>':
        t.BrightFg = 0;
        return EscGround;
    // ESC { / ESC }: bright background on / off
    case '{':
        t.BrightBg = 1;
        return EscGround;
    case '}':
        t.BrightBg = 0;
        return EscGround;
    // ESC [ / ESC ]: underline on / off, never drawn
    case '[':
        t.UnderlineAttr = 1;
        return EscGround;
    case ']':
        t.UnderlineAttr = 0;
        return EscGround;
    // ESC y v: cursor bar visibility
    case 'y':
        return EscQnxVisibility;
    // ESC = r c, ESC Y r c: cursor addressing
    case '=':
    case 'Y':
        t.HideCursor();
        return EscQnxRow;
    // ESC A: cursor up, stops at row 0
    case 'A':
        t.CursorRow = std::max(t.CursorRow - 1, 0);
        return EscGround;
    // ESC B: cursor down, stops at the bottom row
    case 'B':
        t.CursorRow = std::min(t.CursorRow + 1, t.ScreenRows - 1);
        return EscGround;
    // ESC C: cursor right, stops at column 79 whatever the grid; bar shown at
    // the caret, which does not move
    case 'C':
        t.CursorCol = std::min(t.CursorCol + 1, CursorRightLimit);
        t.ShowCursor();
        return EscGround;
    // ESC D: cursor left, stops at column 0
    case 'D':
        t.CursorCol = std::max(t.CursorCol - 1, 0);
        return EscGround;
    // ESC H: home
    case 'H':
        t.CursorRow = 0;
        t.CursorCol = 0;
        return EscGround;
    // ESC a / b / c / d: up / down / right / left without bounds
    case 'a':
        --t.CursorRow;
        return EscGround;
    case 'b':
        ++t.CursorRow;
        return EscGround;
    case 'c':
        ++t.CursorCol;
        return EscGround;
    case 'd':
        --t.CursorCol;
        return EscGround;
    // ESC h / ESC i: auto wrap on / off
    case 'h':
        t.AutoWrap = 1;
        return EscGround;
    case 'i':
        t.AutoWrap = 0;
        return EscGround;
    // ESC E: insert a blank line at the write position's row
    case 'E':
        InsertLine(t, t.CursorRow);
        return EscGround;
    // ESC F: delete the write position's row
    case 'F':
        DeleteLine(t, t.CursorRow);
        return EscGround;
    // ESC I: reverse index, scrolling down on the top row
    case 'I':
        ReverseIndex(t);
        return EscGround;
    // ESC J: clear the rectangle from the write position to the bottom right
    case 'J':
        ClearRectangle(t);
        return EscGround;
    // ESC K: clear to the end of the line
    case 'K':
        ClearToLineEnd(t);
        return EscGround;
    // ESC e: insert a blank character
    case 'e':
        InsertChar(t);
        return EscGround;
    // ESC f: delete a character
    case 'f':
        DeleteChar(t);
        return EscGround;
    // ESC g n c: repeat; the caret stays put until the repeat is done
    case 'g':
        t.CursorFollows = 0;
        return EscQnxRepeatCount;
    // ESC S: save the text colours
    case 'S':
        t.SavedFg = t.TextFg;
        t.SavedBg = t.TextBg;
        return EscGround;
    // ESC R: restore the text colours
    case 'R':
        t.TextFg = t.SavedFg;
        t.TextBg = t.SavedBg;
        return EscGround;
    // ESC @ f b: text colours
    case '@':
        return EscQnxTextFg;
    // ESC ! f b: clear colours
    case '!':
        return EscQnxClearFg;
    // ESC G x ~: command mode switch, handed to the command channel
    case 'G':
        return EscQnxCommandArg;
    // anything else: dropped
    default:
        return EscGround;
    }
}

int AddressRow(TTerminal& t) {
    t.CursorRow = std::clamp(ArgumentValue(t.CurrentByte), 0, t.ScreenRows - 1);
    t.CaretRow = t.CursorRow;
    return EscQnxColumn;
}

int AddressColumn(TTerminal& t) {
    t.CursorCol = std::clamp(ArgumentValue(t.CurrentByte), 0, t.ScreenCols - 1);
    t.CaretCol = t.CursorCol;
    t.ShowCursor();
    return EscGround;
}

// The repeat writes along the line and never wraps: it stops at the line end
// with CursorCol = ScreenCols. Cells outside the grid are skipped.
int RepeatChar(TTerminal& t) {
    t.CaretRow = t.CursorRow;
    t.CaretCol = t.CursorCol;
    if (t.CursorCol < t.ScreenCols && t.RepeatCount > 0) {
        const int from = t.CursorCol;
        const int to = static_cast<int>(
            std::min<long long>(static_cast<long long>(from) + t.RepeatCount, t.ScreenCols));
        int first = from;
        int last = to;
        if (t.ClipToGrid(t.CursorRow, first, last)) {
            for (int c = first; c < last; ++c) {
                Cell& cell = t.ScreenCells[t.CursorRow][c];
                cell.Ch = static_cast<std::uint8_t>(t.CurrentByte);
                cell.Blink = 0;
            }
            t.StampCells(t.CursorRow, first, last);
        }
        t.RepeatCount -= to - from;
        t.CursorCol = to;
    }
    t.CursorFollows = 1;
    return EscGround;
}

int CommandSwitchEnd(TTerminal& t) {
    if (t.CurrentByte != '~')
        return EscGround;
    t.RunCommandSwitch();
    return EscGround;
}

} // namespace

void TTerminal::InterpretQnx() {
    switch (EscState) {
    case EscControl:
        EscState = Control(*this);
        break;
    case EscAfterEsc:
        EscState = CommandByte(*this);
        break;
    // ESC y v: '0' hides the bar for good, anything else lets it back
    case EscQnxVisibility:
        CursorHidden = CurrentByte == '0' ? 1 : 0;
        EscState = EscGround;
        break;
    case EscQnxRow:
        EscState = AddressRow(*this);
        break;
    case EscQnxColumn:
        EscState = AddressColumn(*this);
        break;
    case EscQnxRepeatCount:
        RepeatCount = std::max(ArgumentValue(CurrentByte), 0);
        EscState = EscQnxRepeatChar;
        break;
    case EscQnxRepeatChar:
        EscState = RepeatChar(*this);
        break;
    case EscQnxTextFg:
        TextFg = ColorIndex(CurrentByte);
        EscState = EscQnxTextBg;
        break;
    case EscQnxTextBg:
        TextBg = ColorIndex(CurrentByte);
        EscState = EscGround;
        break;
    case EscQnxClearFg:
        ClearFg = ColorIndex(CurrentByte);
        EscState = EscQnxClearBg;
        break;
    case EscQnxClearBg:
        ClearBg = ColorIndex(CurrentByte);
        EscState = EscGround;
        break;
    case EscQnxCommandArg:
        StoreCommandSwitch(CurrentByte);
        EscState = EscQnxCommandEnd;
        break;
    case EscQnxCommandEnd:
        EscState = CommandSwitchEnd(*this);
        break;
    default:
        EscState = EscGround;
        break;
    }
}

} // namespace lemnar
