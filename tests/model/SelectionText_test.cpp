// The text of a selection as code page 866 bytes, across the history and the
// grid, and the word a double click takes.

#include "RecordingSurface.h"
#include "support/QnxBytes.h"

#include "terminal/SelectionText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lemnar::test {
namespace {

using TRows = std::vector<std::string>;

// "Привет" and a box corner in code page 866.
const std::string Privet = "\x8F\xE0\xA8\xA2\xA5\xE2";
const std::string Corner = "\xC9\xCD\xCD\xBB";

TEST(SelectionText, RowsAcrossHistoryAndGridWithoutTrailingBlanks) {
    TRecordedTerminal t;
    TTerminal& term = t.Terminal;
    std::string bytes;
    for (int i = 0; i < 30; ++i)
        bytes += "row " + std::to_string(i) + " " + Privet + "   \r\n";
    t.Feed(bytes);
    ASSERT_EQ(term.History.Count(), 6);
    const long long first = term.History.Dropped();
    const long long live = term.View.LiveTop();

    // From column 4 of history row 4 to column 6 of the grid's row 1: the
    // first row from its column, whole rows between, the last to its column.
    EXPECT_EQ(SelectedRows(term, {first + 4, 4, live + 1, 6}),
              (TRows{"4 " + Privet, "row 5 " + Privet, "row 6 " + Privet,
                     "row 7 " + Privet.substr(0, 1)}));
    // One row, inside; a selection of blanks only is an empty row.
    EXPECT_EQ(SelectedRows(term, {live + 2, 6, live + 2, 8}), (TRows{Privet.substr(0, 3)}));
    EXPECT_EQ(SelectedRows(term, {live + 2, 20, live + 2, 79}), (TRows{""}));
    // Lines no longer kept, or below the grid, give no rows.
    term.History.SetCapacity(2);
    EXPECT_EQ(SelectedRows(term, {first, 0, first + 5, 79}),
              (TRows{"row 4 " + Privet, "row 5 " + Privet}));
    EXPECT_EQ(SelectedRows(term, {live + 24, 0, live + 40, 79}), (TRows{""}));
    EXPECT_TRUE(SelectedRows(term, {live + 25, 0, live + 40, 79}).empty());
}

TEST(SelectionText, CellsThatShowNothingAreBlanks) {
    TRecordedTerminal t;
    TTerminal& term = t.Terminal;
    t.Feed(At(0, 0) + Corner + At(1, 0) + "hidden");
    const long long live = term.View.LiveTop();
    EXPECT_EQ(SelectedRows(term, {live, 0, live + 1, 79}), (TRows{Corner, "hidden"}));
    // The command channel's switch-off blanks the pictures; the cells keep
    // their bytes, which the window no longer shows.
    t.Feed("\x1bG1~&G0~");
    t.Feed(At(1, 2) + "X");
    EXPECT_EQ(SelectedRows(term, {live, 0, live + 1, 79}), (TRows{"", "  X"}));
    // A row that scrolled off unpainted stays blank in the history.
    t.Feed(At(24, 0) + "\r\n");
    ASSERT_EQ(term.History.Count(), 1);
    EXPECT_EQ(SelectedRows(term, {live, 0, live, 79}), (TRows{""}));
}

TEST(SelectionText, HistoryRowsAreCutToTheGridInUse) {
    TRecordedTerminal t(120, 25);
    TTerminal& term = t.Terminal;
    t.Feed(std::string(100, 'w') + "END" + At(24, 0) + "\r\n");
    ASSERT_EQ(term.History.Count(), 1);
    t.Host.SetClientSize(80 * 8, 25 * 16);
    term.UpdateCellMetrics();
    ASSERT_EQ(term.ScreenCols, 80);
    const long long line = term.History.Dropped() + term.History.Count() - 1;
    EXPECT_EQ(SelectedRows(term, {line, 0, line, 200}), (TRows{std::string(80, 'w')}));
}

TEST(SelectionText, WordsAreLettersDigitsAndPathCharacters) {
    TRecordedTerminal t;
    TTerminal& term = t.Terminal;
    // "cat /usr/lib/x_1.so, Привет-мир user@host:23 (ok)"
    const std::string mir = "\xAC\xA8\xE0";
    t.Feed(At(3, 0) + "cat /usr/lib/x_1.so, " + Privet + "-" + mir + " user@host:23 (ok)");
    const long long line = term.View.LiveTop() + 3;
    struct TCase {
        int Col;
        int From;
        int To;
    };
    const TCase cases[] = {
        {0, 0, 2},    // "cat", from its first letter
        {2, 0, 2},    // and from its last
        {4, 4, 18},   // a path with _ . / and digits, the comma left out
        {19, 19, 19}, // the comma alone
        {20, 20, 20}, // a blank alone
        {25, 21, 30}, // Cyrillic joined by a hyphen
        {33, 32, 43}, // user@host:23
        {45, 45, 45}, // a parenthesis alone
        {46, 46, 47}, // "ok"
        {60, 60, 60}, // a blank past the text
    };
    for (const TCase& c : cases) {
        const TSelection word = WordAt(term, line, c.Col);
        EXPECT_EQ(word.FromLine, line);
        EXPECT_EQ(word.ToLine, line);
        EXPECT_EQ(word.FromCol, c.From) << c.Col;
        EXPECT_EQ(word.ToCol, c.To) << c.Col;
    }
    // A word at the row's edges, and columns outside the grid.
    t.Feed(At(5, 76) + "edge");
    const long long edge = line + 2;
    EXPECT_EQ(WordAt(term, edge, 79).FromCol, 76);
    EXPECT_EQ(WordAt(term, edge, 500).FromCol, 76);
    EXPECT_EQ(WordAt(term, edge, 500).ToCol, 79);
    t.Feed(At(6, 0) + "left");
    EXPECT_EQ(WordAt(term, edge + 1, -3).ToCol, 3);
    // Ё is a letter; a box-drawing line parts two words.
    t.Feed(At(7, 0) + "\xF0\xA6\xB3"
                      "ab");
    EXPECT_EQ(WordAt(term, line + 4, 0).ToCol, 1);
    EXPECT_EQ(WordAt(term, line + 4, 2).FromCol, 2);
    EXPECT_EQ(WordAt(term, line + 4, 2).ToCol, 2);
    EXPECT_EQ(WordAt(term, line + 4, 4).FromCol, 3);
    // A line that is not there gives the cell alone.
    const TSelection none = WordAt(term, -5, 7);
    EXPECT_EQ(none.FromCol, 7);
    EXPECT_EQ(none.ToCol, 7);
}

} // namespace
} // namespace lemnar::test
