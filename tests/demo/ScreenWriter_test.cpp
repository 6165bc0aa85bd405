#include "tools/demo-server/AnsiScreenWriter.h"
#include "tools/demo-server/QnxScreenWriter.h"
#include "tools/demo-server/TtyScreenWriter.h"

#include <gtest/gtest.h>

namespace lemnar::demo {
namespace {

using namespace std::string_literals;

TEST(QnxScreenWriter, WritesConsoleSequences) {
    TQnxScreenWriter writer;
    writer.MoveTo(0, 0);
    writer.MoveTo(23, 47);
    EXPECT_EQ(writer.Take(), "\x1B=  \x1B=7O");

    writer.SetColour(Colour::White, Colour::Blue);
    writer.SetColour(Colour::LightGrey, Colour::Black);
    EXPECT_EQ(writer.Take(), "\x1B@?1\x1B@70");

    writer.SetColour(Colour::Yellow, Colour::Blue);
    writer.Clear();
    EXPECT_EQ(writer.Take(), "\x1B@>1\x1B!>1\x0C\x1B=  ");

    writer.ClearToEnd();
    writer.ShowCursor(false);
    writer.ShowCursor(true);
    EXPECT_EQ(writer.Take(), "\x1B!>1\x1BK\x1By0\x1By1");
}

TEST(QnxScreenWriter, SplitsLongRepeatsAndBoundsAddresses) {
    TQnxScreenWriter writer;
    writer.Repeat('\xCD', 5);
    EXPECT_EQ(writer.Take(), "\x1Bg%\xCD");
    writer.Repeat('-', 100);
    EXPECT_EQ(writer.Take(), "\x1Bg\x7F-\x1Bg%-");
    writer.Repeat('-', 0);
    EXPECT_EQ(writer.Take(), "");
    // an address byte from 0x80 up would read as negative: keep it at 0x7F
    writer.MoveTo(-3, 200);
    EXPECT_EQ(writer.Take(), "\x1B= \x7F");
}

TEST(QnxScreenWriter, DrawsADoubleFrameWithRepeats) {
    TQnxScreenWriter writer;
    writer.Frame(1, 2, 3, 6, TFrameStyle::Double);
    EXPECT_EQ(writer.Take(), "\x1B=!\"\xC9\x1Bg$\xCD\xBB"
                             "\x1B=\"\"\xBA\x1B=\"'\xBA"
                             "\x1B=#\"\xC8\x1Bg$\xCD\xBC");
}

TEST(QnxScreenWriter, WrapsGraphicsInTheChannelSwitch) {
    TQnxScreenWriter writer;
    writer.BeginGraphics("&A010020~&L~");
    writer.EndGraphics();
    EXPECT_EQ(writer.Take(), "\x1BG1~&A010020~&L~&G0~");
}

TEST(AnsiScreenWriter, WritesTheSubsetOnly) {
    TAnsiScreenWriter writer;
    writer.MoveTo(0, 0);
    writer.MoveTo(24, 79);
    EXPECT_EQ(writer.Take(), "\x1B[1;1H\x1B[25;80H");

    // console blue (1) is ANSI 4, console brown (6) is ANSI 3; bright adds 1
    writer.SetColour(Colour::White, Colour::Blue);
    writer.SetColour(Colour::Red, Colour::Brown);
    EXPECT_EQ(writer.Take(), "\x1B[0;1;37;44m\x1B[0;31;43m");

    writer.Clear();
    writer.ClearToEnd();
    writer.ShowCursor(false);
    writer.Repeat('=', 3);
    EXPECT_EQ(writer.Take(), "\x1B[2J\x1B[K===");
}

TEST(AnsiScreenWriter, DrawsASingleFrame) {
    TAnsiScreenWriter writer;
    writer.Frame(0, 0, 3, 3, TFrameStyle::Single);
    EXPECT_EQ(writer.Take(), "\x1B[1;1H\xDA\xC4\xBF\x1B[2;1H\xB3\x1B[2;3H\xB3"
                             "\x1B[3;1H\xC0\xC4\xD9");
}

TEST(TtyScreenWriter, SendsThePageAsTrimmedLines) {
    TTtyScreenWriter writer(3, 10);
    writer.Clear();
    writer.SetColour(Colour::White, Colour::Blue);
    writer.MoveTo(1, 2);
    writer.Text("ab");
    writer.MoveTo(2, 8);
    writer.Text("xyz"); // 'z' falls off the right edge
    writer.MoveTo(5, 0);
    writer.Text("lost");
    EXPECT_EQ(writer.Take(), "\r\n\r\n  ab\r\n        xy");
    EXPECT_EQ(writer.Take(), "");
}

TEST(TtyScreenWriter, SendsRawBytesAfterThePageDrawnBeforeThem) {
    TTtyScreenWriter writer(2, 5);
    writer.Clear();
    writer.Text("hi");
    writer.Raw("!");
    writer.Raw("?");
    EXPECT_EQ(writer.Take(), "\r\nhi\r\n!?");
}

TEST(ScreenWriter, PicksTheWriterByTerminalName) {
    EXPECT_EQ(TerminalKindFromName("QNX"), TTerminalKind::Qnx);
    EXPECT_EQ(TerminalKindFromName("ANSI"), TTerminalKind::Ansi);
    EXPECT_EQ(TerminalKindFromName("TTY"), TTerminalKind::Tty);
    EXPECT_EQ(TerminalKindFromName("XTERM"), TTerminalKind::Tty);
    EXPECT_TRUE(MakeScreenWriter(TTerminalKind::Qnx, 25, 80)->Addressable());
    EXPECT_FALSE(MakeScreenWriter(TTerminalKind::Tty, 25, 80)->Addressable());
}

} // namespace
} // namespace lemnar::demo
