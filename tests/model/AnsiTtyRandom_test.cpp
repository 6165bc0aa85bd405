// Random byte streams, rich in escape-sequence material, through the ANSI and
// TTY interpreters in random block splits and grid sizes. Meant to run under
// the sanitizers: no crash, and after every block the positions are inside the
// grid, the parser state is one the interpreter uses, and every cell holds
// palette indices. Cells only: the terminal draws on recording surfaces.

#include "RecordingSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace lemnar::test {
namespace {

// Bytes the interpreters care about, weighted towards sequences; NUL is rare
// since it ends a block.
std::string RandomStream(std::mt19937& rng, std::size_t length) {
    static const std::string Pieces[] = {
        "\x1b", "\x1b[", "[",    "G",    "~",  "0",          "1",        "2",       "5",
        "9",    ";",     ";;",   "A",    "B",  "C",          "D",        "H",       "f",
        "J",    "K",     "m",    "s",    "u",  "R",          "h",        "n",       "p",
        "?",    " ",     "\r",   "\n",   "\b", "\a",         "\f",       "\t",      "x",
        "Qz",   "\xC8",  "\xFF", "\x80", "99", "4294967327", "31",       "44",      "\x1bG1",
        "&",    "&G0~",  "&L~",  "8",    "7",  "\r\b",       "\b\b\b\b", "\x1b[9D", "\x1b[9A",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(Pieces) - 1);
    std::uniform_int_distribution<int> rare(0, 499);
    std::string out;
    while (out.size() < length) {
        if (rare(rng) == 0)
            out.push_back('\0');
        else
            out += Pieces[pick(rng)];
    }
    return out;
}

struct TRandomCase {
    std::uint8_t Type;
    std::vector<int> States;
};

std::ostream& operator<<(std::ostream& os, const TRandomCase& c) {
    return os << (c.Type == TermAnsi ? "Ansi" : "Tty");
}

class RandomStreamTest : public ::testing::TestWithParam<TRandomCase> {};

void ExpectSane(const TTerminal& term, const std::vector<int>& states) {
    ASSERT_TRUE(term.InGrid(term.CursorRow, term.CursorCol))
        << "write position " << term.CursorRow << "," << term.CursorCol;
    ASSERT_TRUE(term.InGrid(term.CaretRow, term.CaretCol))
        << "caret " << term.CaretRow << "," << term.CaretCol;
    ASSERT_NE(std::find(states.begin(), states.end(), term.EscState), states.end())
        << "EscState " << term.EscState;
    ASSERT_LE(term.AnsiParamLength, 49);
    for (const auto& row : term.ScreenCells)
        for (const Cell& cell : row)
            ASSERT_TRUE(cell.Fg <= 15 && cell.Bg <= 15 && cell.Blink <= 1);
}

TEST_P(RandomStreamTest, StaysInsideTheGrid) {
    const TRandomCase& c = GetParam();
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const int cols = std::uniform_int_distribution<int>(1, 100)(rng);
        const int rows = std::uniform_int_distribution<int>(1, 30)(rng);
        TRecordedTerminal t(cols, rows, c.Type);
        ASSERT_EQ(t.Terminal.ScreenCols, cols);
        ASSERT_EQ(t.Terminal.ScreenRows, rows);
        const std::string stream = RandomStream(rng, 3000);
        std::uniform_int_distribution<std::size_t> blockSize(1, 24);
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min(blockSize(rng), stream.size() - at);
            t.Feed(stream.substr(at, n));
            at += n;
            ExpectSane(t.Terminal, c.States);
            if (HasFatalFailure())
                return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Interpreters, RandomStreamTest,
                         ::testing::Values(TRandomCase{TermAnsi, {0, 1, 2, 11, 12}},
                                           TRandomCase{TermTty, {0, 1, 11, 12}}),
                         [](const auto& info) {
                             return std::string(info.param.Type == TermAnsi ? "Ansi" : "Tty");
                         });

} // namespace
} // namespace lemnar::test
