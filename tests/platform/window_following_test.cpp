// Inside a block the window picture may follow ScreenBitmap: what is drawn on
// both alike goes to ScreenBitmap alone and the window takes the changed rows
// at the end of the block. A terminal that does so and one that draws every
// call on both pictures at once, fed the same blocks, must show the same
// pixels, cells, cursor bar and surface colours after every block, whatever
// comes in the middle: the command channel drawing, a bar left away from the
// write position, inserted and deleted lines, resets.

#include "SameTerminal.h"
#include "Streams.h"
#include "platform/OffscreenTerminal.h"
#include "support/Random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace lemnar {
namespace {

using test::AnsiStream;
using test::ExpectSameTerminal;
using test::QnxStream;
using test::TRandom;

std::unique_ptr<TOffscreenTerminal> MakeTerminal(std::uint8_t type, bool following, int rows = 25) {
    TOffscreenTerminal::TOptions options;
    options.TerminalType = type;
    options.Rows = rows;
    auto term = std::make_unique<TOffscreenTerminal>(options);
    term->Terminal.Pictures.AllowFollowing(following);
    return term;
}

// Feeds both in the same random blocks and compares after each one.
void FeedInBlocks(TOffscreenTerminal& following, TOffscreenTerminal& direct,
                  const std::string& bytes, TRandom& r) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = 1 + static_cast<std::size_t>(r.Below(r.Below(8) == 0 ? 40 : 1500));
        const std::string piece = bytes.substr(at, n);
        at += piece.size();
        following.Feed(piece);
        direct.Feed(piece);
        ExpectSameTerminal(following, direct, "after byte " + std::to_string(at));
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(WindowFollowing, QnxStreamsInRandomBlocksMatchDrawingBothAtOnce) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        TRandom r(seed);
        auto following = MakeTerminal(TermQnx, true);
        auto direct = MakeTerminal(TermQnx, false);
        FeedInBlocks(*following, *direct, QnxStream(r, 120 * 1024), r);
        ASSERT_FALSE(::testing::Test::HasFailure());
        // The stream must have used the following and cut it short too.
        EXPECT_GT(following->Terminal.Pictures.FollowedBlocks(), 20u);
        EXPECT_GT(following->Terminal.Pictures.EarlyEnds(), 0u);
        EXPECT_EQ(direct->Terminal.Pictures.FollowedBlocks(), 0u);
    }
}

// Grids of one to three rows, where a scroll moves more than half the
// picture and takes the surface's plain way.
TEST(WindowFollowing, TinyGridsMatchDrawingBothAtOnce) {
    for (int rows : {1, 2, 3}) {
        SCOPED_TRACE(rows);
        TRandom r(static_cast<std::uint32_t>(100 + rows));
        auto following = MakeTerminal(TermQnx, true, rows);
        auto direct = MakeTerminal(TermQnx, false, rows);
        FeedInBlocks(*following, *direct, QnxStream(r, 20 * 1024), r);
        ASSERT_FALSE(::testing::Test::HasFailure());
        EXPECT_GT(following->Terminal.Pictures.FollowedBlocks(), 5u);
    }
}

TEST(WindowFollowing, AnsiAndTtyStreamsMatchDrawingBothAtOnce) {
    TRandom r(77);
    for (std::uint8_t type : {TermAnsi, TermTty}) {
        SCOPED_TRACE(int(type));
        const std::string bytes = AnsiStream(r, 60 * 1024);
        auto following = MakeTerminal(type, true);
        auto direct = MakeTerminal(type, false);
        FeedInBlocks(*following, *direct, bytes, r);
        ASSERT_FALSE(::testing::Test::HasFailure());
        EXPECT_GT(following->Terminal.Pictures.FollowedBlocks(), 20u);
    }
}

// What happens between blocks: a user disconnect's reset, a repaint, a
// resize, and a window picture drawn on alone (which then differs from
// ScreenBitmap, so the window must not follow it).
TEST(WindowFollowing, BetweenBlocksTheTwoWaysStayTheSame) {
    TRandom r(9);
    auto following = MakeTerminal(TermQnx, true);
    auto direct = MakeTerminal(TermQnx, false);
    const std::string stream = QnxStream(r, 40 * 1024);
    const std::size_t third = stream.size() / 3;
    FeedInBlocks(*following, *direct, stream.substr(0, third), r);
    for (TOffscreenTerminal* t : {following.get(), direct.get()}) {
        t->Terminal.ResetAfterDisconnect();
        t->WindowPicture.SetBrushColor(Rgb(1, 2, 3));
        t->WindowPicture.FillRect(0, 0, 300, 200);
    }
    ExpectSameTerminal(*following, *direct, "after the reset");
    const std::size_t followedBefore = following->Terminal.Pictures.FollowedBlocks();
    FeedInBlocks(*following, *direct, "ab\r\n", r);
    EXPECT_EQ(following->Terminal.Pictures.FollowedBlocks(), followedBefore);
    FeedInBlocks(*following, *direct, "\x1b@1F" + stream.substr(third, third), r);
    for (TOffscreenTerminal* t : {following.get(), direct.get()}) {
        t->Terminal.FormPaint();
        t->Resize(70 * 8, 20 * 15);
    }
    ExpectSameTerminal(*following, *direct, "after a repaint and a resize");
    FeedInBlocks(*following, *direct, stream.substr(2 * third), r);
}

} // namespace
} // namespace lemnar
