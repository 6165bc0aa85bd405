// Typed characters to sent bytes: Unicode to code page 1251, then the upper
// half moved by the key code page rule, which puts the Cyrillic letters where
// code page 866 has them. Also the 1251 text conversions.

#include "keyboard/Cp1251.h"
#include "keyboard/KeyCodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace lemnar {
namespace {

TEST(KeyCodePage, TypedBytesAtEachRangeEdge) {
    const std::pair<int, int> cases[] = {
        {0x00, 0x00}, {0x01, 0x01}, {0x41, 0x41}, {0x7F, 0x7F}, // lower half unchanged
        {0x80, 0xC0}, {0xA8, 0xE8}, {0xAF, 0xEF},               // + 0x40
        {0xB0, 0xB0}, {0xB8, 0xB8}, {0xBF, 0xBF},               // unchanged
        {0xC0, 0x80}, {0xDF, 0x9F}, {0xE0, 0xA0}, {0xEF, 0xAF}, // - 0x40
        {0xF0, 0xE0}, {0xFF, 0xEF},                             // - 0x10
    };
    for (const auto& [typed, sent] : cases) {
        EXPECT_EQ(TranslateTypedByte(static_cast<std::uint8_t>(typed)), sent) << typed;
    }
}

TEST(KeyCodePage, NoSentByteIsTheTelnetEscape) {
    for (int typed = 0; typed <= 0xFF; ++typed) {
        EXPECT_NE(TranslateTypedByte(static_cast<std::uint8_t>(typed)), 0xFF) << typed;
    }
}

TEST(KeyCodePage, CyrillicLettersArriveAtTheir866Places) {
    // Code page 866: А..п at 0x80..0xAF, р..я at 0xE0..0xEF.
    for (char32_t letter = U'\u0410'; letter <= U'\u044F'; ++letter) {
        const int index = static_cast<int>(letter - U'\u0410');
        const int expected = index < 48 ? 0x80 + index : 0xE0 + (index - 48);
        EXPECT_EQ(KeyPressByte(letter), expected) << int(letter);
    }
}

TEST(KeyCodePage, TypedCharacters) {
    const std::pair<char32_t, int> cases[] = {
        {U'\u0410', 0x80}, // А, 1251 0xC0
        {U'\u044F', 0xEF}, // я, 1251 0xFF
        {U'\u0451', 0xB8}, // ё, 1251 0xB8, unchanged
        {U'\u0401', 0xE8}, // Ё, 1251 0xA8, by the rule rather than 866's 0xF0
        {U'a', 'a'},       {U'Z', 'Z'},         {U'~', '~'},     {U'\x7F', 0x7F}, // Ctrl+Backspace
        {U'\x01', 0x01},                                                          // Ctrl+A
        {U'\r', 0x0D},     {U'\u20AC', 0xC8},                                     // €, 1251 0x88
        {U'\u2116', 0xB9},                                                        // №, 1251 0xB9
        {U'\u00E9', -1},                                                          // é: not in 1251
        {U'\u0098', -1}, // 1251 leaves 0x98 unassigned
        {U'\u4E2D', -1},   {U'\U0001F600', -1}, {U'\uFFFD', -1},
    };
    for (const auto& [ch, sent] : cases) {
        EXPECT_EQ(KeyPressByte(ch), sent) << int(ch);
    }
}

TEST(Cp1251, CharactersOfTheUpperHalf) {
    const std::pair<char32_t, int> cases[] = {
        {U'\u0402', 0x80}, {U'\u201A', 0x82}, {U'\u20AC', 0x88}, {U'\u2014', 0x97},
        {U'\u2122', 0x99}, {U'\u045F', 0x9F}, {U'\u00A0', 0xA0}, {U'\u0490', 0xA5},
        {U'\u0401', 0xA8}, {U'\u0407', 0xAF}, {U'\u00B0', 0xB0}, {U'\u0491', 0xB4},
        {U'\u0451', 0xB8}, {U'\u2116', 0xB9}, {U'\u0457', 0xBF}, {U'\u0410', 0xC0},
        {U'\u042F', 0xDF}, {U'\u0430', 0xE0}, {U'\u044F', 0xFF}, {U'\u0080', -1},
        {U'\u0098', -1},   {U'\u00FF', -1},   {U'\u0450', -1},   {U'\u0400', -1},
    };
    for (const auto& [ch, byte] : cases) {
        EXPECT_EQ(UnicodeToCp1251(ch), byte) << int(ch);
    }
}

TEST(Cp1251, EveryAssignedByteSurvivesARoundTrip) {
    for (int byte = 1; byte <= 0xFF; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string utf8 = Cp1251ToUtf8(one);
        if (byte == 0x98) {
            EXPECT_EQ(utf8, "?");
            continue;
        }
        EXPECT_EQ(Utf8ToCp1251(utf8), one) << byte;
    }
}

TEST(Cp1251, TextConversions) {
    const std::pair<std::string, std::string> toCp1251[] = {
        {"Привет, мир", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"},
        {"Выход", "\xC2\xFB\xF5\xEE\xE4"},
        {"Ёж ё", "\xA8\xE6 \xB8"},
        {"plain", "plain"},
        {"", ""},
        {"caf\xC3\xA9", "caf?"},      // é has no 1251 byte
        {"\xE4\xB8\xAD", "?"},        // one character, one '?'
        {"\xF0\x9F\x98\x80!", "?!"},  // beyond the BMP
        {"\xC3", "?"},                // cut short at the end
        {"a\xE2\x82", "a??"},         // cut short, two stray bytes
        {"\xC0\xAF", "??"},           // overlong '/'
        {"\xED\xA0\x80", "???"},      // surrogate
        {"\xF4\x90\x80\x80", "????"}, // beyond U+10FFFF
        {"\x80x", "?x"},              // stray continuation byte
        {"\xD0\xD0\x90", "?\xC0"},    // lead without continuation, then А
    };
    for (const auto& [utf8, cp1251] : toCp1251) {
        EXPECT_EQ(Utf8ToCp1251(utf8), cp1251) << utf8;
    }
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xE1\xB8 \xB9 \x88"), "Абё № €");
    EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
} // namespace lemnar
