#pragma once
// The terminal: the character grid and its two pictures, the dispatcher of
// received bytes, the three interpreters and the command channel. One object
// holds the whole screen state under the names the rest of the program uses;
// it draws only through TDrawSurface and asks its host for the window's size,
// font metrics and the alert beep.

#include "terminal/DrawSurface.h"
#include "terminal/Pictures.h"

#include <cstdint>
#include <cstdio>

namespace lemnar {

struct Cell {
    std::uint8_t Ch;
    std::uint8_t Fg; // index into TextPalette
    std::uint8_t Bg;
    std::uint8_t Blink;
};
static_assert(sizeof(Cell) == 4);

constexpr int StoreRows = 80;
constexpr int StoreCols = 160;
constexpr int RecvBlockSize = 1024;
constexpr int CommandBufferSize = 82; // 81 command bytes and the terminator

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
    TTerminal(TTerminalHost& host, TDrawSurface& window, TDrawSurface& screenBitmap,
              TDrawSurface& cursorBitmap);
    TTerminal(const TTerminal&) = delete;
    TTerminal& operator=(const TTerminal&) = delete;

    // --- Screen model -----------------------------------------------------
    void UpdateCellMetrics();
    // Start-up state: every cell of the store ' ' on 3/3, both pictures black,
    // positions home.
    void ResetScreen();
    void FormPaint();
    void ShowCursor();
    void HideCursor();
    void DrawCell(int row, int col);
    // The colours and attributes that StampCell gives a cell, not drawn.
    void StampAttributes(Cell& cell, std::uint8_t f, std::uint8_t b) const;
    void StampCell(int row, int col, std::uint8_t f, std::uint8_t b);
    // StampCell in the text colours on the cells [colFrom, colTo) of a row,
    // those outside the grid left out; drawn in one piece where glyphs fill
    // their cells.
    void StampCells(int row, int colFrom, int colTo);
    void ClearCell(int row, int col);
    // ClearCell on the cells [colFrom, colTo) of a row, those outside the
    // grid left out.
    void ClearCells(int row, int colFrom, int colTo);
    void PutChar(char c);
    // PutChar for each of n bytes in turn; a run along one row in one set of
    // colours is drawn in one piece.
    void PutText(const char* bytes, int n);
    void ScrollUp();
    // The screen reset of a user disconnect: blanks in 7 on 0, both pictures
    // filled with the brush the last cell left, positions home, cursor shown.
    void ResetAfterDisconnect();
    // The cells [colFrom, colTo) of a row cut to the grid; false if none
    // is left.
    bool ClipToGrid(int row, int& colFrom, int& colTo) const;
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
    // BEL: the platform's alert beep.
    void Bell();
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
    int RecvIndex = 0;
    char CurrentByte = 0;
    int EscState = EscGround;
    std::uint8_t TerminalType = TermQnx;
    std::uint8_t CommandMode = 0;
    char CommandBuffer[CommandBufferSize + 1] = {};
    int CommandLength = 0;
    std::uint8_t LogEnabled = 0;
    std::FILE* LogFile = nullptr;

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

    // True when an opaque glyph covers exactly one cell on both pictures, so
    // the glyph's own background is the cell's fill.
    bool GlyphFillsCell = false;

    TTerminalHost& Host;
    // The window picture and ScreenBitmap as the terminal draws on them:
    // inside a block the window may follow ScreenBitmap, and a cursor bar
    // left waiting is put in place before anything else touches the window.
    TPictures Pictures;
    TDrawSurface& Window = Pictures.WindowSide;
    TDrawSurface& ScreenBitmap = Pictures.BitmapSide;
    TDrawSurface& CursorBitmap;

    // XORs in a cursor bar that is waiting, if any.
    void PlaceWaitingBar();
    bool BarIsWaiting() const { return BarWaiting; }

  private:
    // Inside a received block a shown bar waits (BarWaiting) at its place
    // instead of being XOR-ed in: the next character drawn on its cell or the
    // next hide takes it away again at no cost, and anything else that
    // touches the window picture puts it in place first. At the end of the
    // block it is put in place.
    bool DeferBar = false;
    bool BarWaiting = false;
    int WaitingBarX = 0;
    int WaitingBarY = 0;
    int WaitingBarWidth = 0;
    // The bar's XOR at a place, straight onto the picture.
    void XorBar(int x, int y, int width);
    // A bar of the cell's width left waiting at (x, y).
    void LeaveBarWaiting(int x, int y);
    // Whether a waiting bar lies in the cell at (row, col).
    bool BarWaitsAt(int row, int col) const;
    // Forgets a waiting bar that lies in the cell at (row, col); true if
    // there was one.
    bool DropWaitingBarAt(int row, int col);
    // The start and the end of a received block: the bar waits, and the
    // window may follow ScreenBitmap, in between.
    void BeginBlock();
    void EndBlock();

    void DispatchByte(char c);
    // The interpreter of the terminal type. true: the byte was not consumed.
    bool Interpret();
    void CollectCommandByte(char c);
    void AbortCommand();
    void LogBlock(const std::uint8_t* data, std::size_t n);
};

} // namespace lemnar
