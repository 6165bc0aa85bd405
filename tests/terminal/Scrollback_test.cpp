// The history of rows that scrolled off the top, the view into it and the
// selection: what the window shows over the pictures, never in them.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"
#include "support/QnxBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace lemnar {
namespace {

using test::FirstDifference;
using test::Lines;
using test::PixelAt;

std::string Row(const TScrollback& history, int i) {
    std::string s;
    for (int c = 0; c < history.Width(i); ++c)
        s += static_cast<char>(history.Row(i)[c].Ch);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

TEST(Scrollback, RowsThatScrollOffAreKeptWithTheirColoursOldestFirst) {
    TOffscreenTerminal term;
    TTerminal& t = term.Terminal;
    // Colours that change per line: yellow on blue, then white on red.
    std::string bytes;
    for (int i = 0; i < 60; ++i)
        bytes += (i % 2 == 0 ? "\x1b@>1" : "\x1b@?4") + ("line " + std::to_string(i)) + "\r\n";
    term.Feed(bytes);
    // 60 lines on 25 rows: 36 scrolls.
    ASSERT_EQ(t.History.Count(), 36);
    EXPECT_EQ(t.History.Dropped(), 0);
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(Row(t.History, i), "line " + std::to_string(i));
        EXPECT_EQ(t.History.Width(i), 80);
        const Cell& first = t.History.Row(i)[0];
        EXPECT_EQ(first.Fg, i % 2 == 0 ? 14 : 15) << i;
        EXPECT_EQ(first.Bg, i % 2 == 0 ? 1 : 4) << i;
    }
    // The oldest go when the history is full; smaller capacities keep the
    // newest; 0 keeps nothing.
    t.History.SetCapacity(10);
    EXPECT_EQ(t.History.Count(), 10);
    EXPECT_EQ(t.History.Dropped(), 26);
    EXPECT_EQ(Row(t.History, 0), "line 26");
    term.Feed(Lines(60, 65));
    EXPECT_EQ(t.History.Count(), 10);
    EXPECT_EQ(Row(t.History, 0), "line 31");
    EXPECT_EQ(Row(t.History, 9), "line 40");
    t.History.SetCapacity(0);
    term.Feed(Lines(65, 70));
    EXPECT_EQ(t.History.Count(), 0);
    EXPECT_EQ(t.History.Dropped(), 46);
}

TEST(Scrollback, FullScreenRedrawsAndClearsLeaveTheHistoryAlone) {
    TOffscreenTerminal term;
    std::string screen = "\x0c";
    for (int row = 0; row < 25; ++row)
        screen += std::string("\x1b=") + static_cast<char>(32 + row) + " " + "row " +
                  std::to_string(row) + "\x1bK";
    for (int i = 0; i < 20; ++i)
        term.Feed(screen + "\x1b=  \x1bJ");
    EXPECT_EQ(term.Terminal.History.Count(), 0);

    TOffscreenTerminal ansi(TOffscreenTerminal::TOptions{80, 25, 13, TermAnsi});
    ansi.Feed("\x1b[2J\x1b[1;1Hx\x1b[K\x1b[25;1Hbottom");
    EXPECT_EQ(ansi.Terminal.History.Count(), 0);
}

TEST(Scrollback, TheViewStaysOnItsRowsWhileOutputScrollsUnderneath) {
    TOffscreenTerminal term;
    TTerminal& t = term.Terminal;
    TView& r = t.View;
    term.Feed(Lines(0, 100));
    ASSERT_EQ(t.History.Count(), 76);
    EXPECT_EQ(t.Renderer.Show(), TPicture::Window) << "the live screen shows the window picture";

    r.ScrollView(10);
    EXPECT_EQ(r.ViewBack(), 10);
    const long long top = r.ViewTop();
    // The window's top row shows history row 66, "line 66", as drawn cells.
    const QImage shown = term.ShownImage().copy();
    TOffscreenTerminal alone;
    alone.Feed("line 66");
    EXPECT_EQ(FirstDifference(shown.copy(0, 0, 640, 15), alone.BitmapImage().copy(0, 0, 640, 15)),
              "");
    // The live screen keeps changing underneath: the view keeps its rows.
    term.Feed(Lines(100, 103));
    EXPECT_EQ(r.ViewTop(), top);
    EXPECT_EQ(r.ViewBack(), 13);
    EXPECT_EQ(FirstDifference(term.ShownImage(), shown), "");
    // The pictures are the live screen all along.
    TOffscreenTerminal live;
    live.Feed(Lines(0, 103));
    EXPECT_EQ(FirstDifference(term.BitmapImage(), live.BitmapImage()), "");
    EXPECT_EQ(FirstDifference(term.WindowImage(), live.WindowImage()), "");

    // Back to the bottom, and no further than the oldest row.
    r.ScrollView(-13);
    EXPECT_EQ(r.ViewBack(), 0);
    EXPECT_EQ(t.Renderer.Show(), TPicture::Window);
    r.ScrollView(1000);
    EXPECT_EQ(r.ViewTop(), t.History.Dropped());
    r.ViewLive();
    EXPECT_EQ(r.ViewBack(), 0);
}

TEST(Scrollback, ASelectionIsShownOverTheWindowPictureAndGoesWhenItsCellsChange) {
    TOffscreenTerminal term;
    TTerminal& t = term.Terminal;
    TView& r = t.View;
    term.Feed("first line\r\nsecond line\r\n");
    const QImage window = term.WindowImage().copy();
    const QImage bitmap = term.BitmapImage().copy();
    // From column 6 of the first row to column 5 of the second.
    const long long top = r.LiveTop();
    r.Select({top, 6, top + 1, 5});
    const QImage& shown = term.ShownImage();
    for (int col : {6, 40, 79})
        EXPECT_EQ(PixelAt(shown, col * 8 + 1, 1), PixelAt(window, col * 8 + 1, 1) ^ 0xFFFFFF)
            << col;
    for (int col : {0, 5})
        EXPECT_EQ(PixelAt(shown, col * 8 + 1, 1), PixelAt(window, col * 8 + 1, 1)) << col;
    EXPECT_EQ(PixelAt(shown, 5 * 8 + 1, 16), PixelAt(window, 5 * 8 + 1, 16) ^ 0xFFFFFF);
    EXPECT_EQ(PixelAt(shown, 6 * 8 + 1, 16), PixelAt(window, 6 * 8 + 1, 16));
    // Neither picture holds it: captures, repaints and the log never see it.
    EXPECT_EQ(FirstDifference(term.WindowImage(), window), "");
    EXPECT_EQ(FirstDifference(term.BitmapImage(), bitmap), "");

    // Output elsewhere, and scrolling, leave it; a change under it ends it.
    term.Feed("third");
    EXPECT_NE(r.Selection(), nullptr);
    term.Feed(Lines(0, 30));
    ASSERT_NE(r.Selection(), nullptr);
    EXPECT_EQ(r.Selection()->FromLine, top);
    term.Feed(std::string("\x1b=") + static_cast<char>(32 + 24) + " changed");
    EXPECT_NE(r.Selection(), nullptr);
    r.Select({r.LiveTop() + 24, 0, r.LiveTop() + 24, 2});
    term.Feed(std::string("\x1b=") + static_cast<char>(32 + 24) + "!x");
    term.ShownImage();
    EXPECT_EQ(r.Selection(), nullptr);
}

TEST(Scrollback, ASelectionGoesWhenItsRowsChangeAndScrollOffBetweenLooks) {
    TOffscreenTerminal term;
    TView& r = term.Terminal.View;
    term.Feed(Lines(0, 10));
    r.Select({r.LiveTop() + 3, 0, r.LiveTop() + 3, 79});
    term.ShownImage();
    // Row 3 is written over and then scrolled into the history before
    // anything looks.
    term.Feed("\x1b=#  over\r\n" + Lines(0, 40));
    term.ShownImage();
    EXPECT_EQ(r.Selection(), nullptr);
}

} // namespace
} // namespace lemnar
