// The control characters and the command-mode switch that the interpreters
// share.

#include "terminal/Terminal.h"

#include <algorithm>

namespace lemnar {

namespace {
constexpr int CommandSwitchLength = 4;
constexpr unsigned AlertBeep = 1000;
} // namespace

void TTerminal::LineFeed() {
    HideCursor();
    ++CursorRow;
    if (CursorRow > ScreenRows - 1) {
        ScrollUp();
        CursorRow = ScreenRows - 1;
    }
    CaretRow = CursorRow;
    ShowCursor();
}

void TTerminal::CarriageReturn() {
    HideCursor();
    CursorCol = 0;
    CaretCol = 0;
    ShowCursor();
}

void TTerminal::BackspaceInPlace() {
    HideCursor();
    CursorCol = std::max(CursorCol - 1, 0);
    CaretCol = std::max(CaretCol - 1, 0);
    StampCell(CursorRow, CursorCol, TextFg, TextBg);
    ShowCursor();
}

void TTerminal::BackspaceErasing() {
    if (CursorCol <= 0)
        return;
    HideCursor();
    --CaretCol;
    --CursorCol;
    PutChar(' ');
    HideCursor();
    --CaretCol;
    --CursorCol;
    StampCell(CursorRow, CursorCol, TextFg, TextBg);
    ShowCursor();
}

void TTerminal::ControlCharacter(char c) {
    if (c == Lf)
        LineFeed();
    else if (c == Cr)
        CarriageReturn();
    else if (c == Bs && TerminalType == TermAnsi)
        BackspaceInPlace();
    else if (c == Bs)
        BackspaceErasing();
    else if (c == Bel)
        Bell();
}

void TTerminal::Bell() {
    Host.MessageBeep(AlertBeep);
}

void TTerminal::StoreCommandSwitch(char x) {
    CommandBuffer[0] = Esc;
    CommandBuffer[1] = 'G';
    CommandBuffer[2] = x == '1' ? '1' : '0';
}

void TTerminal::RunCommandSwitch() {
    CommandBuffer[3] = '~';
    CommandLength = CommandSwitchLength;
    ExecuteCommand();
    CommandLength = 0;
}

} // namespace lemnar
