#pragma once
// Typed characters on their way to the server: the window gives a Unicode
// character, which becomes its code page 1251 byte and then, for the upper
// half, the byte of KeyCodePageTable. The table carries the 1251 Cyrillic
// letters to their places in code page 866, which the server's console uses;
// the other upper-half bytes follow the same arithmetic, not a full 1251-to-866
// conversion (typed Ё, 0xA8, goes out as 0xE8). No sent byte is 0xFF.

#include <array>
#include <cstddef>
#include <cstdint>

namespace lemnar {

// Sent byte for the typed bytes 0x80-0xFF, indexed by typed byte - 0x80.
inline constexpr std::array<std::uint8_t, 128> KeyCodePageTable = [] {
    std::array<std::uint8_t, 128> table{};
    for (int typed = 0x80; typed <= 0xFF; ++typed) {
        int sent = typed;
        if (typed <= 0xAF) {
            sent = typed + 0x40;
        } else if (typed >= 0xC0 && typed <= 0xEF) {
            sent = typed - 0x40;
        } else if (typed >= 0xF0) {
            sent = typed - 0x10;
        }
        table[static_cast<std::size_t>(typed - 0x80)] = static_cast<std::uint8_t>(sent);
    }
    return table;
}();

// The byte sent for a typed 1251 byte: the lower half unchanged, the upper
// half through KeyCodePageTable.
std::uint8_t TranslateTypedByte(std::uint8_t typed);

// The byte sent for a typed Unicode character, or -1 when code page 1251 has
// no byte for it (nothing is sent then).
int KeyPressByte(char32_t ch);

} // namespace lemnar
