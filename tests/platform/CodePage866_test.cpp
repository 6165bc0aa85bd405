#include "platform/CodePage866.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace lemnar {
namespace {

struct TKnownGlyph {
    std::uint8_t Byte;
    char32_t Shown;
};

TEST(CodePage866, ShowsKnownBytes) {
    const std::vector<TKnownGlyph> cases = {
        {0x00, U' '}, {0x01, U'☺'}, {0x02, U'☻'},      {0x03, U'♥'}, {0x07, U'•'}, {0x0A, U'◙'},
        {0x0D, U'♪'}, {0x10, U'►'}, {0x13, U'‼'},      {0x14, U'¶'}, {0x15, U'§'}, {0x1B, U'←'},
        {0x1C, U'∟'}, {0x1F, U'▼'}, {0x20, U' '},      {0x41, U'A'}, {0x7E, U'~'}, {0x7F, U'⌂'},
        {0x80, U'А'}, {0x8F, U'П'}, {0x9F, U'Я'},      {0xA0, U'а'}, {0xAF, U'п'}, {0xB0, U'░'},
        {0xB3, U'│'}, {0xBA, U'║'}, {0xC4, U'─'},      {0xC5, U'┼'}, {0xC9, U'╔'}, {0xCE, U'╬'},
        {0xD5, U'╒'}, {0xD6, U'╓'}, {0xDB, U'█'},      {0xDC, U'▄'}, {0xDF, U'▀'}, {0xE0, U'р'},
        {0xEF, U'я'}, {0xF0, U'Ё'}, {0xF1, U'ё'},      {0xF6, U'Ў'}, {0xF8, U'°'}, {0xFB, U'√'},
        {0xFC, U'№'}, {0xFE, U'■'}, {0xFF, U'\u00A0'},
    };
    for (const TKnownGlyph& c : cases)
        EXPECT_EQ(OemToUnicode(c.Byte), c.Shown) << "byte " << int(c.Byte);
}

TEST(CodePage866, CyrillicAlphabetRunsInOrder) {
    const std::u32string alphabet =
        U"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";
    std::u32string shown;
    for (int b = 0x80; b <= 0xAF; ++b)
        shown += OemToUnicode(static_cast<std::uint8_t>(b));
    for (int b = 0xE0; b <= 0xEF; ++b)
        shown += OemToUnicode(static_cast<std::uint8_t>(b));
    EXPECT_EQ(shown, alphabet);
}

TEST(CodePage866, EveryByteShowsItsOwnPrintableCharacter) {
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b) {
        const char32_t c = OemToUnicode(static_cast<std::uint8_t>(b));
        EXPECT_GE(c, U' ') << "byte " << b;
        EXPECT_NE(c, U'\u007F') << "byte " << b;
        if (b != 0x00) {
            EXPECT_TRUE(seen.insert(c).second) << "byte " << b << " repeats a character";
        }
    }
}

TEST(CodePage866, Utf8Rows) {
    struct TCase {
        std::vector<std::uint8_t> Bytes;
        std::string Utf8;
    };
    const std::vector<TCase> cases = {
        {{}, ""},
        {{'o', 'k'}, "ok"},
        {{0x8F, 0xE0, 0xA8, 0xA2, 0xA5, 0xE2, ',', ' ', 0xAC, 0xA8, 0xE0, '!'}, "Привет, мир!"},
        {{0xC9, 0xCD, 0xBB}, "╔═╗"},
        {{0x00, 0x01, 0xFF}, " ☺\u00A0"},
        {{0xF0, 0xFC, 0x7F}, "Ё№⌂"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(OemToUtf8(c.Bytes.data(), c.Bytes.size()), c.Utf8);
}

} // namespace
} // namespace lemnar
