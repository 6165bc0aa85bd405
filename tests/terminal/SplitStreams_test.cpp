// EscState persists between blocks: on every terminal type each stream gives
// the same terminal when fed whole, in blocks of a few bytes, and split in two
// at any position, on the full grid and on a small one.

#include "ansi_tty_support.h"
#include "support/QnxBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lemnar::test {
namespace {

using namespace std::string_literals;

struct TSplitCase {
    std::string Name;
    std::uint8_t Type;
    std::string Stream;
};

std::ostream& operator<<(std::ostream& os, const TSplitCase& c) {
    return os << c.Name;
}

std::vector<TSplitCase> SplitCases() {
    std::vector<TSplitCase> cases;
    const auto add = [&](const char* type, std::uint8_t code, const std::string& stream) {
        cases.push_back({type + std::to_string(cases.size()), code, stream});
    };
    for (const std::string& s :
         {"\033@14Hello\033=%*\033(rev\033)\r\nline2" + Repeat(42, '-') + "\033K" + At(16, 0) +
              "\033J",
          "\033!12\f" + At(3, 3) + "abcdef\033=#$\033e\033f\033E\033F\033H\033I\033I",
          "\033<\033{\033@71xyz\b\b\a\033S\033@23\033Rq\033a\033a\033c\033dw\033y0t"s,
          "\033G1~&A010020~&B100080~&C00000E~&L~&B~&THi~&C000014~&L~&G0~after\033G0~"s,
          "\033=(\033@3\033K\033g%\033Dab\033g\x7f*" + At(24, 70) + "\n\n\033hwrap wrap wrap",
          "\033=\x1f\x7f\033=\x80\x20z\033\n\033Q\033[\033]\033Y77\033C\033B\033A\033D!"s})
        add("Qnx", TermQnx, s);
    // Each sequence between text, so that every cut falls inside one.
    for (const std::string& seq :
         {At(7, 33), Repeat(9, 'k'), "\033@>1"s, "\033!52"s, "\033yx"s, "\033G1~"s, "\033E"s})
        add("Qnx", TermQnx, "ab" + seq + "cd");
    for (const char* s : {"ab^[1;31mX^[5;10H^[2J^[44mY^[K\r\nZ^[s^[3A^[u^[?25h^G1x^[6n\b\b\a",
                          "^[12;1Hline\n\n^[99;1Hlast\nscrolled^[0;10m^[J^[2K^[1^[2Jq",
                          "^[000000000000000000000000000000000000000000000000012Cx^[1 q^[3\xC8y",
                          "^G0~^Gz\r^[;10H^[5;;7f^[7m^[37;40mAB\b^[0m^[1mC"})
        add("Ansi", TermAnsi, Seq(s));
    for (const char* s :
         {"abc\r\ndef\b\b^[2J^^x^G1ab\f\tz\a\r\n\n\n\n\n\n\n\n\n\n\n\n\nend",
          "^G1~&G0~xy\b^Gq~^G1\b", "0123456789012345678901234567890123456789\b\b\b^x\r\b"})
        add("Tty", TermTty, Seq(s));
    return cases;
}

class SplitStreams : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitStreams, SameResultForEverySplit) {
    const std::uint8_t type = GetParam().Type;
    const std::string& stream = GetParam().Stream;
    for (const auto& [cols, rows] : {std::pair{80, 25}, std::pair{40, 12}}) {
        SCOPED_TRACE(std::to_string(cols) + " x " + std::to_string(rows));
        auto whole = MakeTerminal(type, cols, rows);
        whole->Feed(stream);
        for (std::size_t block : {1u, 2u, 3u, 5u}) {
            auto blocks = MakeTerminal(type, cols, rows);
            blocks->Feed(stream, block);
            ExpectSameTerminal(*whole, *blocks, "blocks of " + std::to_string(block));
        }
        for (std::size_t at = 1; at < stream.size() && !HasFailure(); ++at) {
            auto split = MakeTerminal(type, cols, rows);
            split->Feed(stream.substr(0, at));
            split->Feed(stream.substr(at));
            ExpectSameTerminal(*whole, *split, "split at " + std::to_string(at));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, SplitStreams, ::testing::ValuesIn(SplitCases()),
                         [](const auto& info) { return info.param.Name; });

} // namespace
} // namespace lemnar::test
