// The terminal records what changed and draws nothing; its renderer draws it
// on the pictures when they are looked at, through the drawing interface
// alone: each cell once, in runs, text that scrolled off never, scrolls as
// one move of each picture, the command channel after the cells before it.

#include "RecordingSurface.h"
#include "support/QnxBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lemnar::test {
namespace {

bool Mentions(const std::vector<std::string>& calls, const std::string& text) {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& c) { return c.find(text) != std::string::npos; });
}

TEST(Renderer, NothingIsDrawnUntilThePicturesAreLookedAt) {
    TRecordedTerminal t;
    t.Feed("hello");
    EXPECT_TRUE(t.Bitmap.Calls.empty());
    EXPECT_TRUE(t.Window.Calls.empty());

    t.Terminal.Renderer.Update();
    // One run on ScreenBitmap; the window takes it from there and gets the
    // bar after it.
    EXPECT_EQ(t.Bitmap.Take(), (std::vector<std::string>{"TextOut 0,0 \"hello\" t7 on t0"}));
    EXPECT_EQ(t.Window.Take(), (std::vector<std::string>{"CopyRect 0,0 40x16 from ScreenBitmap 0,0",
                                                         "XorRect 40,14 8x2 from cursor 0,0"}));
    // Looking again draws nothing.
    t.Terminal.Renderer.Update();
    EXPECT_TRUE(t.Bitmap.Calls.empty());
    EXPECT_TRUE(t.Window.Calls.empty());
}

TEST(Renderer, ACellWrittenManyTimesIsDrawnOnceWithItsLastContent) {
    TRecordedTerminal t;
    for (char c = 'a'; c <= 'z'; ++c)
        t.Feed(At(3, 7) + std::string(1, c));
    t.Terminal.Renderer.Update();
    EXPECT_EQ(t.Bitmap.Take(), (std::vector<std::string>{"TextOut 56,48 \"z\" t7 on t0"}));
}

TEST(Renderer, TextThatScrollsOffBetweenLooksIsNeverDrawn) {
    TRecordedTerminal t;
    for (int line = 0; line < 100; ++line)
        t.Feed("line " + std::to_string(100 + line).substr(1) + "\r\n");
    t.Terminal.Renderer.Update();
    const std::vector<std::string> texts = t.Bitmap.Starting("TextOut");
    // 76 scrolls: rows 0..23 hold lines 76..99, row 24 is blank.
    ASSERT_EQ(texts.size(), 24u);
    for (int line = 0; line < 76; ++line)
        EXPECT_FALSE(Mentions(texts, "line " + std::to_string(100 + line).substr(1))) << line;
    for (int row = 0; row < 24; ++row)
        EXPECT_EQ(texts[static_cast<std::size_t>(row)],
                  "TextOut 0," + std::to_string(row * 16) + " \"line " +
                      std::to_string(176 + row).substr(1) + "\" t7 on t0");
    // Everything scrolled off: nothing to move, every row's strip is black.
    EXPECT_TRUE(t.Bitmap.Starting("ScrollUp").empty());
    EXPECT_EQ(t.Bitmap.Starting("FillRect").size(), 25u);
    EXPECT_TRUE(t.Window.Starting("TextOut").empty());
}

TEST(Renderer, AFewScrollsAreOneMoveOfEachPicture) {
    TRecordedTerminal t;
    t.Feed(At(24, 0));
    t.Terminal.Renderer.Update();
    t.Bitmap.Take();
    t.Window.Take();

    t.Feed("a\r\nb\r\nc\r\n");
    t.Terminal.Renderer.Update();
    EXPECT_EQ(t.Bitmap.Take(),
              (std::vector<std::string>{
                  "ScrollUp 48", "FillRect 0,352 640x16 t0", "FillRect 0,368 640x16 t0",
                  "FillRect 0,384 640x16 t0", "TextOut 0,336 \"a\" t7 on t0",
                  "TextOut 0,352 \"b\" t7 on t0", "TextOut 0,368 \"c\" t7 on t0"}));
    // The window is ScreenBitmap with the bar on it: the bar comes off, the
    // window scrolls the same way, takes the runs and gets the bar again.
    const std::vector<std::string> window = t.Window.Take();
    EXPECT_EQ(window.front(), "XorRect 0,398 8x2 from cursor 0,0");
    EXPECT_EQ(window[1], "ScrollUp 48");
    EXPECT_FALSE(Mentions(window, "640x400"));
    EXPECT_EQ(window.back(), "XorRect 0,398 8x2 from cursor 0,0");
}

TEST(Renderer, TheCommandChannelDrawsAfterTheCellsBeforeIt) {
    TRecordedTerminal t;
    t.Feed("hi\x1bG1~&A100080~&B090010~&B~&G0~");
    // Drawn at once, as the commands came: no look needed.
    const std::vector<std::string>& calls = t.Bitmap.Calls;
    const auto text = std::find(calls.begin(), calls.end(), "TextOut 0,0 \"hi\" t7 on t0");
    const auto box = std::find(calls.begin(), calls.end(), "Rectangle 256,128 to 144,16");
    ASSERT_NE(text, calls.end());
    ASSERT_NE(box, calls.end());
    EXPECT_LT(text - calls.begin(), box - calls.begin());
    EXPECT_EQ(calls.back(), "FillRect 0,0 640x400 t0");
}

TEST(Renderer, ARepaintCopiesScreenBitmapAndShowsTheBar) {
    TRecordedTerminal t;
    t.Feed("x");
    t.Terminal.Renderer.Update();
    t.Window.Take();
    t.Terminal.FormPaint();
    t.Terminal.Renderer.Update();
    // The copy wipes the bar; the repaint shows it again over the copy.
    EXPECT_EQ(t.Window.Take(),
              (std::vector<std::string>{"CopyRect 0,0 640x400 from ScreenBitmap 0,0",
                                        "XorRect 8,14 8x2 from cursor 0,0"}));
}

TEST(Renderer, ThePlainPathDrawsEachChangeAtOnceEachCellAlone) {
    TRecordedTerminal t;
    t.Terminal.UsePlainPath(true);
    t.Feed("ab");
    EXPECT_EQ(t.Bitmap.Take(),
              (std::vector<std::string>{"FillRect 0,0 8x16 t0", "TextOut 0,0 \"a\" t7 on t0",
                                        "FillRect 8,0 8x16 t0", "TextOut 8,0 \"b\" t7 on t0"}));
    EXPECT_EQ(t.Window.Take(),
              (std::vector<std::string>{"FillRect 0,0 8x16 t0", "TextOut 0,0 \"a\" t7 on t0",
                                        "XorRect 8,14 8x2 from cursor 0,0",
                                        "XorRect 8,14 8x2 from cursor 0,0", "FillRect 8,0 8x16 t0",
                                        "TextOut 8,0 \"b\" t7 on t0",
                                        "XorRect 16,14 8x2 from cursor 0,0"}));
}

} // namespace
} // namespace lemnar::test
