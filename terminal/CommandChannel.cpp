// The command channel: short '&'...'~' commands that draw in pixel
// coordinates on both pictures while command mode is on. The cell grid is
// never touched.
//
// CommandBuffer is persistent: bytes past the current command keep what
// earlier commands left there, except where a command clears them. The steps
// below are tested one after the other on that buffer, so a short command can
// still see a stale byte 8 left by a longer one; that is kept on purpose.

#include "terminal/Terminal.h"

#include <cstring>

namespace lemnar {

namespace {

constexpr char SwitchOn[] = "_G1~";
constexpr char LineCommand[] = "&L~";
constexpr char PointCommand[] = "&P~";
constexpr char BoxCommand[] = "&B~";

// Point and colour commands are exactly nine bytes, '~' at index 8.
constexpr int FixedCommandEnd = 8;
constexpr int FixedCommandSize = 9;
constexpr int PointFieldSize = 3;
constexpr int ColorFieldSize = 6;
constexpr int TextStart = 2;
constexpr int TextSpan = 80; // bytes 2..81 of the buffer

// Colour values in this range select colour v - 16 drawn in XOR.
constexpr unsigned XorColorFirst = 16;
constexpr unsigned XorColorLast = 31;
constexpr unsigned PaletteMask = 15;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a NUL-terminated field the way scanf's "%x" does: leading blanks,
// an optional sign and "0x" prefix, then hex digits up to the first other
// byte. false: the field holds no number and value is left alone.
bool ScanHex(const char* s, unsigned& value) {
    while (IsSpace(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && HexDigit(s[2]) >= 0)
        s += 2;
    if (HexDigit(*s) < 0)
        return false;
    unsigned result = 0;
    for (; HexDigit(*s) >= 0; ++s)
        result = result * 16 + static_cast<unsigned>(HexDigit(*s));
    value = negative ? 0u - result : result;
    return true;
}

// Cuts bytes [from, from + n) of the command into the scratch buffer and reads
// them as one hex number.
bool ReadField(TTerminal& t, int from, int n, unsigned& value) {
    std::memcpy(t.CommandScratch, t.CommandBuffer + from, static_cast<std::size_t>(n));
    t.CommandScratch[n] = 0;
    return ScanHex(t.CommandScratch, value);
}

void ReadCoordinate(TTerminal& t, int from, int& coordinate) {
    unsigned value = 0;
    if (ReadField(t, from, PointFieldSize, value))
        coordinate = static_cast<int>(value);
}

void ClearFixedCommand(TTerminal& t) {
    std::memset(t.CommandBuffer, 0, FixedCommandSize);
    std::memset(t.CommandScratch, 0, FixedCommandSize);
}

bool IsFixedCommand(const TTerminal& t, char letter) {
    return t.CommandBuffer[1] == letter && t.CommandBuffer[FixedCommandEnd] == '~';
}

bool BufferIs(const TTerminal& t, const char* command) {
    return std::strcmp(t.CommandBuffer, command) == 0;
}

// &G0~: command mode off, both pictures black, write position home. The caret
// stays where it was and the bar stays off.
void SwitchOffCommandMode(TTerminal& t, TDrawSurface& window, TDrawSurface& bitmap) {
    t.CommandMode = 0;
    for (TDrawSurface* s : {&window, &bitmap}) {
        s->SetBrushColor(Black);
        s->SetBrushStyle(TBrushStyle::Solid);
        s->SetFontColor(White);
        s->FillRect(0, 0, t.Host.ClientWidth(), t.Host.ClientHeight());
        s->SetPenMode(TMixMode::Copy);
    }
    t.Unpaint();
    t.CursorCol = 0;
    t.CursorRow = 0;
}

void SetPoint(TTerminal& t, int& x, int& y) {
    ReadCoordinate(t, 2, x);
    ReadCoordinate(t, 2 + PointFieldSize, y);
    ClearFixedCommand(t);
}

// &Cvvvvvv~: 16..31 select colour v - 16 in XOR, anything else colour v in
// copy. Values from 32 up wrap round the 16 palette entries.
void SetDrawColor(TTerminal& t, TDrawSurface& window, TDrawSurface& bitmap) {
    unsigned value = t.LastColorValue;
    ReadField(t, 2, ColorFieldSize, value);
    t.LastColorValue = value;
    const bool xorMix = value >= XorColorFirst && value <= XorColorLast;
    t.DrawColor = static_cast<int>((xorMix ? value - XorColorFirst : value) & PaletteMask);
    for (TDrawSurface* s : {&window, &bitmap})
        s->SetPenMode(xorMix ? TMixMode::Xor : TMixMode::Copy);
    const TColor color = GraphicsPalette[t.DrawColor];
    for (TDrawSurface* s : {&window, &bitmap}) {
        s->SetPenColor(color);
        s->SetBrushColor(color);
    }
    ClearFixedCommand(t);
}

// &T...~: the text up to the first '~', transparent, in the drawing colour,
// its top-left corner 2 pixels left of and 4 above the first point.
void DrawText(TTerminal& t, TDrawSurface& window, TDrawSurface& bitmap) {
    for (TDrawSurface* s : {&window, &bitmap}) {
        s->SetBrushStyle(TBrushStyle::Clear);
        s->SetFontColor(GraphicsPalette[t.DrawColor]);
    }
    std::memcpy(t.CommandScratch, t.CommandBuffer + TextStart, TextSpan);
    t.CommandScratch[TextSpan] = 0;
    std::size_t length = 0;
    while (t.CommandScratch[length] != 0 && t.CommandScratch[length] != '~')
        ++length;
    const auto* text = reinterpret_cast<const std::uint8_t*>(t.CommandScratch);
    window.TextOut(t.FromX - 2, t.FromY - 4, text, length);
    bitmap.TextOut(t.FromX - 2, t.FromY - 4, text, length);
    std::memset(t.CommandScratch, 0, CommandBufferSize);
    std::memset(t.CommandBuffer, 0, CommandBufferSize);
}

} // namespace

void TTerminal::ExecuteCommand() {
    CommandBuffer[CommandLength] = 0;
    // The interpreters hand over ESC G x ~; ESC becomes '_', and a real '_'
    // is moved out of the way so it can never look like the switch.
    if (CommandBuffer[0] == '_')
        CommandBuffer[0] = 'x';
    if (CommandBuffer[0] == Esc)
        CommandBuffer[0] = '_';

    // The cells recorded before this command go on the pictures first.
    TDrawSurface& window = Renderer.Draw(TPicture::Window);
    TDrawSurface& bitmap = Renderer.Draw(TPicture::ScreenBitmap);
    if (BufferIs(*this, SwitchOn))
        CommandMode = 1;
    if (BufferIs(*this, SwitchOff))
        SwitchOffCommandMode(*this, window, bitmap);
    if (IsFixedCommand(*this, 'A'))
        SetPoint(*this, FromX, FromY);
    if (IsFixedCommand(*this, 'B'))
        SetPoint(*this, ToX, ToY);
    if (IsFixedCommand(*this, 'C'))
        SetDrawColor(*this, window, bitmap);
    if (BufferIs(*this, LineCommand)) {
        for (TDrawSurface* s : {&bitmap, &window}) {
            s->MoveTo(FromX, FromY);
            s->LineTo(ToX, ToY);
        }
    }
    // A line one pixel long paints exactly the first point.
    if (BufferIs(*this, PointCommand)) {
        for (TDrawSurface* s : {&bitmap, &window}) {
            s->MoveTo(FromX, FromY);
            s->LineTo(FromX + 1, FromY);
        }
    }
    if (BufferIs(*this, BoxCommand)) {
        window.Rectangle(FromX, FromY, ToX, ToY);
        bitmap.Rectangle(FromX, FromY, ToX, ToY);
    }
    if (CommandBuffer[1] == 'T')
        DrawText(*this, window, bitmap);
    window.SetBrushStyle(TBrushStyle::Solid);
    bitmap.SetBrushStyle(TBrushStyle::Solid);
}

} // namespace lemnar
