#include "QnxScreenWriter.h"

#include <algorithm>
#include <utility>

namespace lemnar::demo {

namespace {

constexpr char Esc = '\x1b';
constexpr char FormFeed = '\x0c';

char ColourByte(int colour) {
    return static_cast<char>('0' + std::clamp(colour, 0, 15));
}

char AddressByte(int value) {
    return static_cast<char>(32 + std::clamp(value, 0, TQnxScreenWriter::MaxAddress));
}

} // namespace

void TQnxScreenWriter::Clear() {
    // FF clears in the clear colours and leaves the write position where it was.
    Out += {Esc, '!', ColourByte(Fg), ColourByte(Bg), FormFeed};
    MoveTo(0, 0);
}

void TQnxScreenWriter::MoveTo(int row, int col) {
    Out += {Esc, '=', AddressByte(row), AddressByte(col)};
}

void TQnxScreenWriter::SetColour(int fg, int bg) {
    Fg = std::clamp(fg, 0, 15);
    Bg = std::clamp(bg, 0, 15);
    Out += {Esc, '@', ColourByte(Fg), ColourByte(Bg)};
}

void TQnxScreenWriter::Text(std::string_view cp866) {
    Out += cp866;
}

void TQnxScreenWriter::Repeat(char ch, int count) {
    while (count > 0) {
        const int chunk = std::min(count, MaxRepeat);
        Out += {Esc, 'g', static_cast<char>(32 + chunk), ch};
        count -= chunk;
    }
}

void TQnxScreenWriter::ClearToEnd() {
    // ESC K clears in the clear colours: make them the current ones first.
    Out += {Esc, '!', ColourByte(Fg), ColourByte(Bg), Esc, 'K'};
}

void TQnxScreenWriter::ShowCursor(bool visible) {
    Out += {Esc, 'y', visible ? '1' : '0'};
}

void TQnxScreenWriter::Raw(std::string_view bytes) {
    Out += bytes;
}

std::string TQnxScreenWriter::Take() {
    return std::exchange(Out, {});
}

} // namespace lemnar::demo
