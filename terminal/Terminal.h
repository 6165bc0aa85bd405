#pragma once
// The terminal: the character grid, the dispatcher of received bytes, the
// three interpreters and the command channel. One object holds the whole
// screen state under the names the rest of the program uses. It records what
// changed (Damage) and never draws a cell itself: its Renderer brings the two
// pictures up to date when something looks at them, and its View keeps what
// the window shows of the history and the selection. It asks its host for
// the window's size and font and for the alert beep.

#include "terminal/Cell.h"
#include "terminal/DrawSurface.h"
#include "terminal/Renderer.h"
#include "terminal/ScreenDamage.h"
#include "terminal/Scrollback.h"
#include "terminal/View.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace lemnar {

constexpr int RecvBlockSize = 1024;
constexpr int CommandBufferSize = 82; // 81 command bytes and the terminator
// The command that ends command mode; a protocol error runs it too.
constexpr char SwitchOff[] = "&G0~";

extern const TColor TextPalette[16];
extern const TColor GraphicsPalette[16];

// EscState values every interpreter shares.
constexpr int EscGround = 0;
constexpr int EscAfterEsc = 1;
constexpr int EscControl = 255;

// TerminalType values; any other value behaves as TTY.
constexpr std::uint8_t TermQnx = 0;
constexpr std::uint8_t TermAnsi = 1;
constexpr std::uint8_t TermTty = 2;

constexpr char Bel = 0x07;
constexpr char Bs = 0x08;
constexpr char Lf = 0x0A;
constexpr char Ff = 0x0C;
constexpr char Cr = 0x0D;
constexpr char Esc = 0x1B;

// What the terminal needs of the window that shows it.
class TTerminalHost {
  public:
    virtual ~TTerminalHost() = default;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Sets the client area to exactly this size.
    virtual void SetClientSize(int width, int height) = 0;
    // The window font, which ScreenBitmap copies.
    virtual TFontSpec WindowFont() const = 0;
    virtual void MessageBeep(unsigned type) = 0;
};

class TTerminal {
  public:
    // The renderer draws on the surfaces: the window picture, ScreenBitmap,
    // CursorBitmap, and the picture the window shows while it looks into the
    // history or shows a selection.
    TTerminal(TTerminalHost& host, const TSurfaces& surfaces);
    TTerminal(const TTerminal&) = delete;
    TTerminal& operator=(const TTerminal&) = delete;

    // --- Screen model -----------------------------------------------------
    void UpdateCellMetrics();
    // Start-up state: every cell of the store ' ' on 3/3, both pictures black,
    // positions home.
    void ResetScreen();
    void FormPaint();
    void ShowCursor() {
        if (CursorHidden == 1)
            return;
        CursorDrawn = 1;
        BarAt(CaretRow, CaretCol);
    }
    void HideCursor() {
        if (CursorHidden == 1 || CursorDrawn == 0)
            return;
        CursorDrawn = 0;
        BarAt(CaretRow, CaretCol);
    }
    // The cell is drawn on both pictures from its content.
    void DrawCell(int row, int col);
    // The colours and attributes that StampCell gives a cell, not drawn.
    void StampAttributes(Cell& cell, std::uint8_t f, std::uint8_t b) const;
    void StampCell(int row, int col, std::uint8_t f, std::uint8_t b);
    // StampCell in the text colours on the cells [colFrom, colTo) of a row,
    // those outside the grid left out.
    void StampCells(int row, int colFrom, int colTo);
    void ClearCell(int row, int col);
    // ClearCell on the cells [colFrom, colTo) of a row, those outside the
    // grid left out.
    void ClearCells(int row, int colFrom, int colTo);
    void PutChar(char c);
    // PutChar for each of n bytes in turn.
    void PutText(const char* bytes, int n);
    void ScrollUp();
    // Rows [first, last] of the grid move one row down (by 1) or up (by -1),
    // cells and pictures; the rows they leave keep their old content.
    void MoveRows(int first, int last, int by);
    // The screen reset of a user disconnect: blanks in 7 on 0, both pictures
    // filled with the brush the last cell left, positions home, cursor shown.
    void ResetAfterDisconnect();
    // The cells [colFrom, colTo) of a row cut to the grid; false if none
    // is left.
    bool ClipToGrid(int row, int& colFrom, int& colTo) const;
    // No cell shows its content any more: the pictures were filled black.
    void Unpaint() { std::memset(Painted, 0, sizeof Painted); }
    bool InGrid(int row, int col) const {
        return row >= 0 && row < ScreenRows && col >= 0 && col < ScreenCols;
    }

    // --- Control characters and the command switch, shared by the interpreters
    // LF: next row, scrolling on the bottom row; the column stays.
    void LineFeed();
    // CR: column 0.
    void CarriageReturn();
    // BS of QNX and ANSI: one column left, never past column 0; the cell there
    // keeps its character and takes the current attributes.
    void BackspaceInPlace();
    // BS of TTY: blanks the cell left of the cursor and moves onto it: step
    // back, write a blank (which steps forward again), step back, restamp. At
    // column 0 there is nothing to the left: the cursor and the cells stay.
    void BackspaceErasing();
    // BEL: the platform's alert beep.
    void Bell();
    // LF, CR, BS and BEL as the ANSI and TTY interpreters take them: BS in
    // place for ANSI, erasing for TTY.
    void ControlCharacter(char c);
    // ESC G x: CommandBuffer begins ESC, 'G', then '1' for x = '1', else '0'.
    void StoreCommandSwitch(char x);
    // The closing '~': the four-byte switch goes to the command channel.
    void RunCommandSwitch();

    // --- Dispatcher ---------------------------------------------------------
    // One block of received application data (telnet commands already taken
    // out). Longer blocks are taken in pieces of RecvBlockSize bytes.
    void TelnetDataAvailable(const std::uint8_t* data, std::size_t n);

    // --- Interpreters ---------------------------------------------------------
    void InterpretQnx();
    // true: the byte was not consumed and is to be handled again from the start.
    bool InterpretAnsi();
    void InterpretTty();

    // --- Command channel -----------------------------------------------------
    void ExecuteCommand();

    // --- State ----------------------------------------------------------------
    Cell ScreenCells[StoreRows][StoreCols];
    // The rows that scrolled off the top of the grid.
    TScrollback History;
    // The cells whose pixels show their content: drawn since a black fill
    // (start-up, a scroll's incoming row, the command channel's switch-off,
    // a resize) blanked them.
    TCellBits Painted[StoreRows] = {};
    int ScreenRows = 25;
    int ScreenCols = 80;
    int CellWidth = 8;
    int CellHeight = 16;

    int CursorRow = 0, CursorCol = 0; // write position
    int CaretRow = 0, CaretCol = 0;   // where the cursor bar is drawn
    std::uint8_t CursorFollows = 1;
    std::uint8_t CursorHidden = 0;
    std::uint8_t CursorDrawn = 0;
    std::uint8_t AutoWrap = 0;

    std::uint8_t TextFg = 7, TextBg = 0;
    std::uint8_t ClearFg = 7, ClearBg = 0;
    std::uint8_t SavedFg = 7, SavedBg = 0;
    std::uint8_t BrightFg = 0, BrightBg = 0;
    std::uint8_t BlinkAttr = 0, ReverseAttr = 0, ConcealAttr = 0, UnderlineAttr = 0;

    // Dispatcher
    char RecvText[RecvBlockSize + 1] = {};
    char CurrentByte = 0;
    int EscState = EscGround;
    std::uint8_t TerminalType = TermQnx;
    std::uint8_t CommandMode = 0;
    char CommandBuffer[CommandBufferSize + 1] = {};
    int CommandLength = 0;
    std::uint8_t LogEnabled = 0;
    std::FILE* LogFile = nullptr;
    // A write to the log has failed or come short; the owner reports it.
    bool LogWriteFailed = false;

    // QNX interpreter
    int RepeatCount = 0;

    // ANSI interpreter
    char AnsiParams[50] = {};
    int AnsiParamLength = 0;
    int AnsiSavedCol = 0, AnsiSavedRow = 0;

    // TTY interpreter
    char GraphicsArg = 0;

    // Command channel
    int FromX = 0, FromY = 0, ToX = 0, ToY = 0;
    int DrawColor = 0;
    unsigned LastColorValue = 0; // the colour command's value when its field has no number
    char CommandScratch[CommandBufferSize] = {};

    TTerminalHost& Host;
    // What changed since the pictures were last brought up to date.
    TScreenDamage Damage;
    TView View;
    TRenderer Renderer;

    // true: every character goes through PutChar and every cell is stamped
    // and cleared alone, and the renderer draws each change at once: the
    // plain path, for tests and benchmarks that hold the usual one to it.
    void UsePlainPath(bool on);

  private:
    bool Plain = false;

    // After each recorded change on the plain path: draw it now.
    void Changed() {
        if (Plain) [[unlikely]]
            Renderer.Update();
    }
    // The bar XOR-ed at a cell of the window picture.
    void BarAt(int row, int col) {
        Damage.Bar(row, col);
        Changed();
    }
    // The cells [colFrom, colTo) of a row, inside the grid, stamped in the
    // text colours; with text, they take its bytes first.
    void StampRun(int row, int colFrom, int colTo, const char* text);
    // Marks cells [colFrom, colTo) of a row, inside the grid, for drawing;
    // last is the last of them drawn.
    void Damaged(int row, int colFrom, int colTo, const Cell& last) {
        Damage.Cells(row, colFrom, colTo, last);
        SetCellBits(Painted[row], colFrom, colTo);
        Changed();
    }

    void DispatchByte(char c);
    // The interpreter of the terminal type. true: the byte was not consumed.
    bool Interpret();
    void CollectCommandByte(char c);
    void AbortCommand();
    void LogBlock(const std::uint8_t* data, std::size_t n);
};

} // namespace lemnar
