#include "platform/CodePage866.h"

#include <array>

namespace lemnar {

namespace {

// 0x00..0x1F: the console's symbols for the control bytes.
constexpr std::array<char16_t, 32> LowGlyphs = {
    u' ',      u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25CB', u'\u25D9', u'\u2642', u'\u2640', u'\u266A', u'\u266B', u'\u263C',
    u'\u25BA', u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
};

// 0xB0..0xDF: shades, box drawing and blocks.
constexpr std::array<char16_t, 48> BoxGlyphs = {
    u'\u2591', u'\u2592', u'\u2593', u'\u2502', u'\u2524', u'\u2561', u'\u2562', u'\u2556',
    u'\u2555', u'\u2563', u'\u2551', u'\u2557', u'\u255D', u'\u255C', u'\u255B', u'\u2510',
    u'\u2514', u'\u2534', u'\u252C', u'\u251C', u'\u2500', u'\u253C', u'\u255E', u'\u255F',
    u'\u255A', u'\u2554', u'\u2569', u'\u2566', u'\u2560', u'\u2550', u'\u256C', u'\u2567',
    u'\u2568', u'\u2564', u'\u2565', u'\u2559', u'\u2558', u'\u2552', u'\u2553', u'\u256B',
    u'\u256A', u'\u2518', u'\u250C', u'\u2588', u'\u2584', u'\u258C', u'\u2590', u'\u2580',
};

// 0xF0..0xFF: the Ukrainian and Belarusian letters and the symbols.
constexpr std::array<char16_t, 16> HighGlyphs = {
    u'\u0401', u'\u0451', u'\u0404', u'\u0454', u'\u0407', u'\u0457', u'\u040E', u'\u045E',
    u'\u00B0', u'\u2219', u'\u00B7', u'\u221A', u'\u2116', u'\u00A4', u'\u25A0', u'\u00A0',
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Every character of the table lies in the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

char32_t OemToUnicode(std::uint8_t byte) {
    if (byte < 0x20)
        return LowGlyphs[byte];
    if (byte < 0x7F)
        return byte;
    if (byte == 0x7F)
        return U'\u2302';
    if (byte < 0xB0) // А..Я, а..п
        return U'\u0410' + (byte - 0x80);
    if (byte < 0xE0)
        return BoxGlyphs[byte - 0xB0];
    if (byte < 0xF0) // р..я
        return U'\u0440' + (byte - 0xE0);
    return HighGlyphs[byte - 0xF0];
}

std::string OemToUtf8(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i)
        AppendUtf8(out, OemToUnicode(bytes[i]));
    return out;
}

} // namespace lemnar
