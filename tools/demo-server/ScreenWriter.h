#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace lemnar::demo {

// The terminal types a client may name. Any name but "QNX" and "ANSI" is TTY.
enum class TTerminalKind { Qnx, Ansi, Tty };

TTerminalKind TerminalKindFromName(std::string_view name);

// Console colours, numbered as the QNX console numbers them; 8..15 are the bright ones.
namespace Colour {
constexpr int Black = 0;
constexpr int Blue = 1;
constexpr int Green = 2;
constexpr int Cyan = 3;
constexpr int Red = 4;
constexpr int Magenta = 5;
constexpr int Brown = 6;
constexpr int LightGrey = 7;
constexpr int DarkGrey = 8;
constexpr int LightBlue = 9;
constexpr int LightGreen = 10;
constexpr int LightCyan = 11;
constexpr int LightRed = 12;
constexpr int LightMagenta = 13;
constexpr int Yellow = 14;
constexpr int White = 15;
} // namespace Colour

enum class TFrameStyle { Single, Double };

// Draws a screen for one terminal type into a byte buffer. Rows and columns are
// 0-based; text is code page 866 and must hold no control bytes. The bytes are
// plain application data: the connection doubles IAC on the way out.
class TScreenWriter {
  public:
    virtual ~TScreenWriter() = default;

    // Clears the whole screen in the current colours and homes the write position.
    virtual void Clear() = 0;
    virtual void MoveTo(int row, int col) = 0;
    virtual void SetColour(int fg, int bg) = 0;
    virtual void Text(std::string_view cp866) = 0;
    virtual void Repeat(char ch, int count) = 0;
    // Clears from the write position to the end of its line.
    virtual void ClearToEnd() = 0;
    virtual void ShowCursor(bool visible) = 0;
    // Bytes that go out as they are, after everything drawn so far.
    virtual void Raw(std::string_view bytes) = 0;
    // False: MoveTo cannot place text on a real screen (plain text lines).
    virtual bool Addressable() const = 0;
    // Everything drawn since the last call, emptied from the writer.
    virtual std::string Take() = 0;

    // A box with its corners at (top, left) and (top + height - 1, left + width - 1).
    void Frame(int top, int left, int height, int width, TFrameStyle style);
    // A horizontal line from (row, left) over width cells.
    void HorizontalLine(int row, int left, int width, TFrameStyle style);
    // Switches the client's drawing channel on and sends the commands; the channel
    // stays on until EndGraphics or any other byte.
    void BeginGraphics(std::string_view commands);
    void EndGraphics();
};

std::unique_ptr<TScreenWriter> MakeScreenWriter(TTerminalKind kind, int rows, int cols);

} // namespace lemnar::demo
