#include "tools/demo-server/Cp866.h"

#include <gtest/gtest.h>

namespace lemnar::demo {
namespace {

struct TCase {
    const char* Utf8;
    std::uint8_t Byte;
};

std::string PrintCase(const ::testing::TestParamInfo<TCase>& info) {
    return "byte" + std::to_string(info.param.Byte);
}

class Cp866Letters : public ::testing::TestWithParam<TCase> {};

TEST_P(Cp866Letters, EncodesToItsPlace) {
    const std::string encoded = EncodeCp866(GetParam().Utf8);
    ASSERT_EQ(encoded.size(), 1u) << GetParam().Utf8;
    EXPECT_EQ(static_cast<std::uint8_t>(encoded[0]), GetParam().Byte) << GetParam().Utf8;
}

INSTANTIATE_TEST_SUITE_P(Letters, Cp866Letters,
                         ::testing::Values(TCase{"А", 0x80}, TCase{"Я", 0x9F}, TCase{"а", 0xA0},
                                           TCase{"п", 0xAF}, TCase{"р", 0xE0}, TCase{"я", 0xEF},
                                           TCase{"Ё", 0xF0}, TCase{"ё", 0xF1}, TCase{"A", 0x41},
                                           TCase{"~", 0x7E}, TCase{"№", 0xFC}),
                         PrintCase);

INSTANTIATE_TEST_SUITE_P(BoxDrawing, Cp866Letters,
                         ::testing::Values(TCase{"╔", 0xC9}, TCase{"═", 0xCD}, TCase{"╗", 0xBB},
                                           TCase{"║", 0xBA}, TCase{"╚", 0xC8}, TCase{"╝", 0xBC},
                                           TCase{"┌", 0xDA}, TCase{"─", 0xC4}, TCase{"┐", 0xBF},
                                           TCase{"│", 0xB3}, TCase{"└", 0xC0}, TCase{"┘", 0xD9},
                                           TCase{"┼", 0xC5}, TCase{"░", 0xB0}, TCase{"█", 0xDB},
                                           TCase{"▀", 0xDF}),
                         PrintCase);

TEST(Cp866, EncodesMixedTextInOrder) {
    EXPECT_EQ(EncodeCp866("Терминал: QNX"), "\x92\xA5\xE0\xAC\xA8\xAD\xA0\xAB: QNX");
}

TEST(Cp866, ReplacesWhatItCannotShowAndBrokenUtf8) {
    EXPECT_EQ(EncodeCp866("a—b"), "a?b");  // em dash is not in 866
    EXPECT_EQ(EncodeCp866("x\xD0"), "x?"); // sequence cut short
    EXPECT_EQ(EncodeCp866("\xD0"
                          "A"),
              "?A"); // lead byte without continuation
    EXPECT_EQ(EncodeCp866("\xFF"), "?");
}

TEST(Cp866, NeverProducesTheIacByte) {
    // 0xFF would need doubling on a telnet connection; no code point maps there.
    EXPECT_EQ(Cp866Byte(0x00A0), 0);
    for (char32_t codePoint = 0; codePoint < 0x2600; ++codePoint) {
        ASSERT_NE(Cp866Byte(codePoint), 0xFF) << static_cast<unsigned>(codePoint);
    }
}

} // namespace
} // namespace lemnar::demo
