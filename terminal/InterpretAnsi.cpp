// The ANSI interpreter: a small subset of ESC [ sequences (cursor moves and
// addressing, erase screen and line end, attributes and the eight colours,
// save and restore), the switch ESC G x ~, and LF, CR, BS, BEL. A sequence it
// does not support is drawn as text without its ESC, and the byte that ended
// it is handed back to the dispatcher. Nothing is ever sent to the server.

#include "terminal/Terminal.h"

#include <algorithm>
#include <string_view>

namespace lemnar {

namespace {

// EscState values of this interpreter besides the shared ones.
constexpr int AnsiCollecting = 2; // ESC [ received: collecting parameter characters
constexpr int AnsiAfterG = 11;    // ESC G received
constexpr int AnsiAfterGArg = 12; // ESC G x received: waiting for '~'

// A carried-out sequence has at most 48 parameter characters; with 49 stored
// the next byte abandons it.
constexpr int AnsiParamCapacity = 49;

// Numbers saturate here: far beyond any grid, far below int overflow, and no
// attribute code.
constexpr int NumberCeiling = 1'000'000;

// ANSI colour number (0 black .. 7 white) to TextPalette index.
constexpr std::uint8_t AnsiColourMap[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr int SgrReset = 0;
constexpr int SgrBright = 1;
constexpr int SgrUnderline = 4;
constexpr int SgrBlink = 5;
constexpr int SgrReverse = 7;
constexpr int SgrConceal = 8;
constexpr int SgrFgFirst = 30;
constexpr int SgrFgLast = 37;
constexpr int SgrBgFirst = 40;
constexpr int SgrBgLast = 47;

// Bytes from 0x80 up are negative as char and so never digits.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsParamChar(char c) {
    return IsDigit(c) || c == ';';
}

// Reads a decimal number at the front of text and drops it from text; false
// (text untouched) when text does not begin with a digit.
bool TakeNumber(std::string_view& text, int& value) {
    if (text.empty() || !IsDigit(text.front()))
        return false;
    value = 0;
    while (!text.empty() && IsDigit(text.front())) {
        value = std::min(value * 10 + (text.front() - '0'), NumberCeiling);
        text.remove_prefix(1);
    }
    return true;
}

// The first number of the parameters; false when they do not begin with one.
bool FirstNumber(std::string_view params, int& value) {
    return TakeNumber(params, value);
}

// The abandoned sequence as text: '[' and the collected characters.
void EchoParams(TTerminal& t) {
    t.PutChar('[');
    for (int i = 0; i < t.AnsiParamLength; ++i)
        t.PutChar(t.AnsiParams[i]);
}

// Sets the caret and the write position to (row, col), kept inside the grid.
void MoveTo(TTerminal& t, int row, int col) {
    t.CaretRow = std::clamp(row, 0, t.ScreenRows - 1);
    t.CaretCol = std::clamp(col, 0, t.ScreenCols - 1);
    t.CursorRow = t.CaretRow;
    t.CursorCol = t.CaretCol;
}

// The sequences, by final byte. Each returns false when it does not support
// its parameters, which abandons the sequence.
bool CursorUp(TTerminal& t, std::string_view params) {
    int n = 0;
    if (FirstNumber(params, n)) {
        MoveTo(t, t.CaretRow - n, t.CaretCol);
        t.ShowCursor();
    }
    return true;
}

bool CursorDown(TTerminal& t, std::string_view params) {
    int n = 0;
    if (FirstNumber(params, n)) {
        MoveTo(t, t.CaretRow + n, t.CaretCol);
        t.ShowCursor();
    }
    return true;
}

bool CursorRight(TTerminal& t, std::string_view params) {
    int n = 0;
    if (FirstNumber(params, n)) {
        MoveTo(t, t.CaretRow, t.CaretCol + n);
        t.ShowCursor();
    }
    return true;
}

bool CursorLeft(TTerminal& t, std::string_view params) {
    int n = 0;
    if (FirstNumber(params, n)) {
        MoveTo(t, t.CaretRow, t.CaretCol - n);
        t.ShowCursor();
    }
    return true;
}

// row ; col, row alone (the column stays), or nothing (home). An empty row
// field homes the cursor whatever column follows.
bool CursorAddress(TTerminal& t, std::string_view params) {
    int row = 0;
    int col = 0;
    if (!TakeNumber(params, row)) {
        MoveTo(t, 0, 0);
    } else {
        std::string_view column = params.starts_with(';') ? params.substr(1) : "";
        if (TakeNumber(column, col))
            MoveTo(t, row - 1, col - 1);
        else
            MoveTo(t, row - 1, t.CaretCol);
    }
    t.ShowCursor();
    return true;
}

// Only "2" erases: every cell in the clear colours, then home.
bool EraseScreen(TTerminal& t, std::string_view params) {
    if (params != "2")
        return false;
    t.HideCursor();
    for (int r = 0; r < t.ScreenRows; ++r)
        t.ClearCells(r, 0, t.ScreenCols);
    MoveTo(t, 0, 0);
    t.ShowCursor();
    return true;
}

// Only without parameters: from the write position to the end of its line.
// The cursor bar stays hidden until the next operation that shows it.
bool EraseLineEnd(TTerminal& t, std::string_view params) {
    if (!params.empty())
        return false;
    t.ClearCells(t.CursorRow, t.CursorCol, t.ScreenCols);
    return true;
}

void ApplyAttribute(TTerminal& t, int n) {
    if (n == SgrReset) {
        // Colours and BrightBg survive a reset.
        t.BrightFg = t.BlinkAttr = t.UnderlineAttr = t.ReverseAttr = t.ConcealAttr = 0;
    } else if (n == SgrBright) {
        t.BrightFg = 1;
    } else if (n == SgrUnderline) {
        t.UnderlineAttr = 1;
    } else if (n == SgrBlink) {
        t.BlinkAttr = 1;
    } else if (n == SgrReverse) {
        t.ReverseAttr = 1;
    } else if (n == SgrConceal) {
        t.ConcealAttr = 1;
    } else if (n >= SgrFgFirst && n <= SgrFgLast) {
        // Erases and scrolled-in lines take the colours last set here.
        t.TextFg = t.ClearFg = AnsiColourMap[n - SgrFgFirst];
    } else if (n >= SgrBgFirst && n <= SgrBgLast) {
        t.TextBg = t.ClearBg = AnsiColourMap[n - SgrBgFirst];
    }
}

// Numbers separated by ';', empty fields skipped.
bool SetAttributes(TTerminal& t, std::string_view params) {
    while (!params.empty()) {
        int n = 0;
        if (TakeNumber(params, n))
            ApplyAttribute(t, n);
        else
            params.remove_prefix(1);
    }
    return true;
}

bool SaveCursor(TTerminal& t, std::string_view) {
    t.AnsiSavedCol = t.CaretCol;
    t.AnsiSavedRow = t.CaretRow;
    return true;
}

// Without an earlier save this homes the cursor (the saved position starts at
// 0, 0). A window that shrank since the save leaves the position at the edge.
bool RestoreCursor(TTerminal& t, std::string_view) {
    MoveTo(t, t.AnsiSavedRow, t.AnsiSavedCol);
    t.ShowCursor();
    return true;
}

// Reports and modes are accepted and ignored; nothing is ever answered.
bool IgnoreSequence(TTerminal&, std::string_view) {
    return true;
}

struct TAnsiSequence {
    char Final;
    bool (*Run)(TTerminal&, std::string_view params);
};

constexpr TAnsiSequence AnsiSequences[] = {
    {'A', CursorUp},       {'B', CursorDown},     {'C', CursorRight},    {'D', CursorLeft},
    {'H', CursorAddress},  {'f', CursorAddress},  {'J', EraseScreen},    {'K', EraseLineEnd},
    {'m', SetAttributes},  {'s', SaveCursor},     {'u', RestoreCursor},  {'R', IgnoreSequence},
    {'h', IgnoreSequence}, {'n', IgnoreSequence}, {'p', IgnoreSequence},
};

// Carries out the sequence that finalByte ends; false: unsupported or too
// long, echoed. With the parameters full the byte is not looked at.
bool FinishSequence(TTerminal& t, char finalByte) {
    if (t.AnsiParamLength >= AnsiParamCapacity) {
        EchoParams(t);
        return false;
    }
    t.AnsiParams[t.AnsiParamLength] = 0;
    const std::string_view params(t.AnsiParams, static_cast<std::size_t>(t.AnsiParamLength));
    const auto* sequence =
        std::find_if(std::begin(AnsiSequences), std::end(AnsiSequences),
                     [finalByte](const TAnsiSequence& s) { return s.Final == finalByte; });
    if (sequence != std::end(AnsiSequences) && sequence->Run(t, params))
        return true;
    EchoParams(t);
    return false;
}

// ESC G x: the switch command ESC G '1' or '0', completed by '~'.
void StoreSwitch(TTerminal& t, char arg) {
    t.AnsiParams[0] = arg;
    t.AnsiParamLength = 1;
    t.StoreCommandSwitch(arg);
}

void EchoSwitch(TTerminal& t) {
    t.PutChar(Esc);
    t.PutChar('G');
    t.PutChar(t.AnsiParams[0]);
}

} // namespace

bool TTerminal::InterpretAnsi() {
    const char c = CurrentByte;
    switch (EscState) {
    case EscAfterEsc:
        // ESC [: parameters follow; ESC G: the switch; ESC x: the ESC is dropped, x is input
        if (c == '[') {
            AnsiParamLength = 0;
            EscState = AnsiCollecting;
            return false;
        }
        EscState = c == 'G' ? AnsiAfterG : EscGround;
        return c != 'G';
    case AnsiCollecting:
        // ESC [ params final: collect digits and ';', run or echo at the final byte
        if (AnsiParamLength < AnsiParamCapacity && IsParamChar(c)) {
            AnsiParams[AnsiParamLength++] = c;
            EscState = AnsiCollecting;
            return false;
        }
        EscState = EscGround;
        return !FinishSequence(*this, c);
    case AnsiAfterG:
        // ESC G x: keep x, wait for '~'
        StoreSwitch(*this, c);
        EscState = AnsiAfterGArg;
        return false;
    case AnsiAfterGArg:
        // ESC G x ~: run the switch; anything else draws ESC G x and is input again
        if (c == '~')
            RunCommandSwitch();
        else
            EchoSwitch(*this);
        EscState = EscGround;
        return c != '~';
    case EscControl:
        // LF, CR, BS, BEL; other bytes do nothing
        ControlCharacter(c);
        EscState = EscGround;
        return false;
    default:
        // no other state occurs here: back to ground
        EscState = EscGround;
        return false;
    }
}

} // namespace lemnar
