#include "tools/demo-server/KeyDecoder.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lemnar::demo {

// Found by argument lookup: failures show key names instead of raw bytes.
void PrintTo(const TKey& key, std::ostream* out) {
    *out << KeyName(key) << " (" << static_cast<int>(key.Kind) << ")";
}

namespace {

using TKind = TKey::TKind;
using TStyle = TKeyDecoder::TStyle;
using namespace std::string_literals;

struct TCase {
    TStyle Style;
    std::string Bytes; // application data, after the telnet layer
    TKey Expected;
};

void PrintTo(const TCase& c, std::ostream* out) {
    PrintTo(c.Expected, out);
}

std::string PrintCase(const ::testing::TestParamInfo<TCase>& info) {
    return "case" + std::to_string(info.index);
}

class KeyDecoding : public ::testing::TestWithParam<TCase> {};

TEST_P(KeyDecoding, DecodesWholeAndSplitAnywhere) {
    const TCase& c = GetParam();
    for (std::size_t cut = 0; cut <= c.Bytes.size(); ++cut) {
        TKeyDecoder decoder(c.Style);
        std::vector<TKey> keys = decoder.Feed(c.Bytes.substr(0, cut));
        const std::vector<TKey> rest = decoder.Feed(c.Bytes.substr(cut));
        keys.insert(keys.end(), rest.begin(), rest.end());
        ASSERT_EQ(keys.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(keys[0], c.Expected) << "cut at " << cut;
        // a line end's LF or NUL is swallowed after the key has gone out
        const std::string expectedBytes =
            c.Expected.Kind == TKind::Enter ? c.Bytes.substr(0, 1) : c.Bytes;
        EXPECT_EQ(keys[0].Bytes, expectedBytes) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Qnx, KeyDecoding,
                         ::testing::Values(TCase{TStyle::Qnx, "\xFF\x81", {TKind::Function, 1}},
                                           TCase{TStyle::Qnx, "\xFF\x82", {TKind::Function, 2}},
                                           TCase{TStyle::Qnx, "\xFF\x8A", {TKind::Function, 10}},
                                           TCase{TStyle::Qnx, "\xFF\xAE", {TKind::Function, 11}},
                                           TCase{TStyle::Qnx, "\xFF\xA1", {TKind::Up}},
                                           TCase{TStyle::Qnx, "\xFF\xA9", {TKind::Down}},
                                           TCase{TStyle::Qnx, "\xFF\xA4", {TKind::Left}},
                                           TCase{TStyle::Qnx, "\xFF\xA6", {TKind::Right}},
                                           TCase{TStyle::Qnx, "\xFF\xAC", {TKind::Delete}},
                                           TCase{TStyle::Qnx, "\xFF\xE1", {TKind::Alt, 'A'}},
                                           TCase{TStyle::Qnx, "\xFF\xF8", {TKind::Alt, 'X'}},
                                           TCase{TStyle::Qnx, "\xFF\xFA", {TKind::Alt, 'Z'}},
                                           TCase{TStyle::Qnx, "\xFF\x95", {TKind::QnxCode, 0x95}},
                                           TCase{TStyle::Qnx, "\x7F", {TKind::Backspace}},
                                           TCase{TStyle::Qnx, "\x1B", {TKind::Escape}},
                                           TCase{TStyle::Qnx, "\r", {TKind::Enter}},
                                           TCase{TStyle::Qnx, "\r\n", {TKind::Enter}},
                                           TCase{TStyle::Qnx, "\r\0"s, {TKind::Enter}},
                                           TCase{TStyle::Qnx, "\x80", {TKind::Char, 0x80}},
                                           TCase{TStyle::Qnx, "\xEF", {TKind::Char, 0xEF}}),
                         PrintCase);

INSTANTIATE_TEST_SUITE_P(Ansi, KeyDecoding,
                         ::testing::Values(TCase{TStyle::Ansi, "\x1BOP", {TKind::Function, 1}},
                                           TCase{TStyle::Ansi, "\x1BOS", {TKind::Function, 4}},
                                           TCase{TStyle::Ansi, "\x1B[15~", {TKind::Function, 5}},
                                           TCase{TStyle::Ansi, "\x1B[17~", {TKind::Function, 6}},
                                           TCase{TStyle::Ansi, "\x1B[18~", {TKind::Function, 7}},
                                           TCase{TStyle::Ansi, "\x1B[19~", {TKind::Function, 8}},
                                           TCase{TStyle::Ansi, "\x1B[20~", {TKind::Function, 9}},
                                           TCase{TStyle::Ansi, "\x1B[21~", {TKind::Function, 10}},
                                           TCase{TStyle::Ansi, "\x1B[24~", {TKind::Function, 12}},
                                           TCase{TStyle::Ansi, "\x1B[A", {TKind::Up}},
                                           TCase{TStyle::Ansi, "\x1B[B", {TKind::Down}},
                                           TCase{TStyle::Ansi, "\x1B[C", {TKind::Right}},
                                           TCase{TStyle::Ansi, "\x1B[D", {TKind::Left}},
                                           TCase{TStyle::Ansi, "\x1B[1~", {TKind::Home}},
                                           TCase{TStyle::Ansi, "\x1B[6~", {TKind::PageDown}},
                                           TCase{TStyle::Ansi, "\x08", {TKind::Backspace}},
                                           TCase{TStyle::Ansi, "\x7F", {TKind::Backspace}},
                                           TCase{TStyle::Ansi, "\t", {TKind::Tab}},
                                           TCase{TStyle::Ansi, "\x03", {TKind::Control, 3}},
                                           TCase{TStyle::Ansi, "\r\n", {TKind::Enter}},
                                           TCase{TStyle::Ansi, "\n", {TKind::Enter}}),
                         PrintCase);

std::vector<TKey> DecodeAll(TStyle style, const std::string& bytes) {
    TKeyDecoder decoder(style);
    return decoder.Feed(bytes);
}

TEST(KeyDecoder, ReadsAStreamOfMixedKeys) {
    const std::vector<TKey> keys = DecodeAll(TStyle::Qnx, "ab\xFF\xA9\r\n\x8F\r\0x\xFF\x8A"s);
    const std::vector<TKey> expected = {
        {TKind::Char, 'a'},  {TKind::Char, 'b'}, {TKind::Down},      {TKind::Enter},
        {TKind::Char, 0x8F}, {TKind::Enter},     {TKind::Char, 'x'}, {TKind::Function, 10},
    };
    EXPECT_EQ(keys, expected);
}

TEST(KeyDecoder, CountsEveryCrOnce) {
    // CR CR LF is two line ends; the LF belongs to the second CR only
    EXPECT_EQ(DecodeAll(TStyle::Ansi, "\r\r\n").size(), 2u);
    EXPECT_EQ(DecodeAll(TStyle::Ansi, "\r\n\n").size(), 2u);
}

TEST(KeyDecoder, TakesEscBeforeAnotherByteAsTheEscKey) {
    const std::vector<TKey> keys = DecodeAll(TStyle::Ansi, "\x1Bx\x1B\x1B[A");
    const std::vector<TKey> expected = {
        {TKind::Escape}, {TKind::Char, 'x'}, {TKind::Escape}, {TKind::Up}};
    EXPECT_EQ(keys, expected);
}

TEST(KeyDecoder, DropsUnknownAndOverlongSequencesAndRecovers) {
    const std::vector<TKey> keys =
        DecodeAll(TStyle::Ansi, "\x1B[99~\x1B[Z\x1BOx\x1B[1111111111111~q");
    // the overlong one is cut off: its remaining "1~" arrive as plain characters
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), (TKey{TKind::Char, 'q'}));
    for (const TKey& key : keys) {
        EXPECT_TRUE(key.Kind == TKind::Char) << KeyName(key);
    }
}

TEST(KeyDecoder, TakesEscAtOnceInQnxStyle) {
    // in QNX style ESC is the Esc key at once, never the start of a sequence
    const std::vector<TKey> keys = DecodeAll(TStyle::Qnx, "\x1B[A");
    const std::vector<TKey> expected = {{TKind::Escape}, {TKind::Char, '['}, {TKind::Char, 'A'}};
    EXPECT_EQ(keys, expected);
}

} // namespace
} // namespace lemnar::demo
