// Output captured from ordinary programs run with TERM=ansi (see
// tests/fixtures/ansi/README.md), shown by an ANSI terminal. Sequences outside
// the supported subset are echoed as text, and "ESC [ m" changes nothing, so
// the colours run on where a full terminal would reset them: the expectations
// record what this terminal shows.

#include "ansi_tty_support.h"

#include <QImage>
#include <fstream>
#include <iterator>

namespace lemnar::test {
namespace {

std::string Fixture(const std::string& name) {
    const std::string path = std::string(LEMNAR_SOURCE_DIR) + "/tests/fixtures/ansi/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<TOffscreenTerminal> Shown(const std::string& name) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Fixture(name));
    return t;
}

TEST(AnsiFixtureTest, LsColoursNamesAndResetKeepsTheColour) {
    auto t = Shown("ls.bin");
    EXPECT_EQ(ScreenText(*t), "archive.tar\nbin\ndocs\nlink\nnotes.txt\nrun.sh");
    ExpectSpan(*t, 0, 0, "archive.tar", 7, 0);
    ExpectSpan(*t, 1, 0, "bin", 9, 0); // 01;34: bright blue
    ExpectSpan(*t, 2, 0, "docs", 9, 0);
    ExpectSpan(*t, 3, 0, "link", 11, 0); // 01;36: bright cyan
    // 0 drops the bright bit only: the plain file stays cyan.
    ExpectSpan(*t, 4, 0, "notes.txt", 3, 0);
    ExpectSpan(*t, 5, 0, "run.sh", 10, 0); // 01;32: bright green
    EXPECT_EQ(t->Terminal.CursorRow, 6);
    EXPECT_EQ(t->Terminal.CursorCol, 0);

    const std::string png = std::string(LEMNAR_BINARY_DIR) + "/ansi-ls.png";
    EXPECT_TRUE(t->BitmapImage().save(QString::fromStdString(png), "PNG")) << png;
}

TEST(AnsiFixtureTest, GrepHighlightRunsOnAfterEmptyReset) {
    auto t = Shown("grep.bin");
    EXPECT_EQ(ScreenText(*t), "2:error: disk 2 not ready\n4:fatal error again");
    ExpectSpan(*t, 0, 0, "2", 2, 0);
    ExpectSpan(*t, 0, 1, ":", 3, 0);
    ExpectSpan(*t, 0, 2, "error", 12, 0);
    // ESC [ m is empty, so the rest of the line stays bright red; ESC [ K has
    // cleared the line end in that colour too.
    ExpectSpan(*t, 0, 7, ": disk 2 not ready", 12, 0);
    ExpectSpan(*t, 0, 25, std::string(55, ' '), 12, 0);
    // The bright bit was never cleared: green and cyan come out bright.
    ExpectSpan(*t, 1, 0, "4", 10, 0);
    ExpectSpan(*t, 1, 1, ":fatal ", 11, 0);
    ExpectSpan(*t, 1, 8, "error again", 12, 0);
    EXPECT_EQ(t->Terminal.CursorRow, 2);
    EXPECT_EQ(t->Terminal.CursorCol, 0);
}

TEST(AnsiFixtureTest, TputClearEchoesAndAddressingWorks) {
    auto t = Shown("tput.bin");
    // clear is ESC [ H ESC [ J: the home works, the J part is drawn.
    EXPECT_EQ(ScreenText(*t), "[J\n\n    plain red done\n\n\nblue");
    ExpectSpan(*t, 0, 0, "[J", 7, 0);
    ExpectSpan(*t, 2, 4, "plain ", 7, 0);
    ExpectSpan(*t, 2, 10, "red", 12, 0);
    ExpectSpan(*t, 2, 13, " done", 4, 0); // sgr0 is 0;10: the colour stays
    ExpectSpan(*t, 5, 0, "blue", 4, 1);
    ExpectSpan(*t, 5, 4, std::string(76, ' '), 4, 1); // el in the clear colours
    EXPECT_EQ(t->Terminal.CursorRow, 6);
    EXPECT_EQ(t->Terminal.CursorCol, 0);
}

TEST(AnsiFixtureTest, BashPromptShowsBracketedPasteEchoes) {
    auto t = Shown("bash.bin");
    EXPECT_EQ(ScreenText(*t), "echo hello\n"
                              "exit\n"
                              "[?2004hqnx:/home$ echo hello\n"
                              "hello4l\n"
                              "[?2004hqnx:/home$ exit\n"
                              "exit04l");
    ExpectSpan(*t, 2, 0, "[?2004h", 7, 0);
    ExpectSpan(*t, 2, 7, "qnx", 10, 0);
    ExpectSpan(*t, 2, 10, ":", 2, 0);
    ExpectSpan(*t, 2, 11, "/home", 9, 0);
    ExpectSpan(*t, 2, 16, "$ echo hello", 1, 0);
    ExpectSpan(*t, 3, 0, "hello4l", 1, 0);
    ExpectSpan(*t, 4, 0, "[?2004h", 1, 0);
    ExpectSpan(*t, 4, 7, "qnx", 10, 0);
    EXPECT_EQ(t->Terminal.CursorRow, 6);
}

TEST(AnsiFixtureTest, SmallBlocksShowTheSame) {
    for (const char* name : {"ls.bin", "grep.bin", "tput.bin", "bash.bin"}) {
        SCOPED_TRACE(name);
        auto whole = Shown(name);
        auto t = MakeTerminal(TermAnsi);
        t->Feed(Fixture(name), 3);
        ExpectSameTerminal(*whole, *t);
    }
}

} // namespace
} // namespace lemnar::test
