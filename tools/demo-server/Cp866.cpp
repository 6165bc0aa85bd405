#include "Cp866.h"

#include <array>

namespace lemnar::demo {

namespace {

// Code points of the bytes 0xB0..0xDF: shades, single and double lines, blocks.
constexpr std::array<char32_t, 48> Cp866Graphics = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
};

// Code points of the bytes 0xF0..0xFE. 0xFF (no-break space) is left out on purpose:
// on a telnet connection it would have to be doubled, and a plain space does as well.
constexpr std::array<char32_t, 15> Cp866Tail = {
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0,
};

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns U+FFFD for a broken one.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    int extra = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size() || !IsContinuation(static_cast<unsigned char>(text[pos]))) {
            return 0xFFFD;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    return value;
}

} // namespace

std::uint8_t Cp866Byte(char32_t codePoint) {
    if (codePoint < 0x80) {
        return static_cast<std::uint8_t>(codePoint);
    }
    // А..Я and а..п lie together at 0x80..0xAF; р..я follow the graphics at 0xE0.
    if (codePoint >= 0x0410 && codePoint <= 0x043F) {
        return static_cast<std::uint8_t>(0x80 + (codePoint - 0x0410));
    }
    if (codePoint >= 0x0440 && codePoint <= 0x044F) {
        return static_cast<std::uint8_t>(0xE0 + (codePoint - 0x0440));
    }
    for (std::size_t i = 0; i < Cp866Graphics.size(); ++i) {
        if (Cp866Graphics[i] == codePoint) {
            return static_cast<std::uint8_t>(0xB0 + i);
        }
    }
    for (std::size_t i = 0; i < Cp866Tail.size(); ++i) {
        if (Cp866Tail[i] == codePoint) {
            return static_cast<std::uint8_t>(0xF0 + i);
        }
    }
    return 0;
}

std::string EncodeCp866(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t codePoint = NextCodePoint(utf8, pos);
        const std::uint8_t byte = Cp866Byte(codePoint);
        out.push_back(byte == 0 && codePoint != 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

} // namespace lemnar::demo
