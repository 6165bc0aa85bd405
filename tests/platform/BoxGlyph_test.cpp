#include "platform/BoxGlyph.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace lemnar {
namespace {

using TMask = std::vector<std::vector<bool>>; // [y][x]
using TRuns = std::vector<std::pair<int, int>>;

TMask Render(std::uint8_t byte, int w, int h) {
    TMask mask(h, std::vector<bool>(w, false));
    for (const QRect& r : BoxGlyphRects(byte, w, h))
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                mask[y][x] = true;
    return mask;
}

TRuns Runs(const std::vector<bool>& line) {
    TRuns runs;
    for (int i = 0; i < static_cast<int>(line.size()); ++i) {
        if (!line[i])
            continue;
        if (!runs.empty() && runs.back().second == i)
            runs.back().second = i + 1;
        else
            runs.emplace_back(i, i + 1);
    }
    return runs;
}

std::vector<bool> Column(const TMask& m, int x) {
    std::vector<bool> col;
    for (const auto& row : m)
        col.push_back(row[x]);
    return col;
}

// Strokes leaving the centre towards left, right, up and down: 0 none,
// 1 single, 2 double, as the characters' names say.
struct TLineGlyph {
    std::uint8_t Byte;
    const char* Arms; // "LRUD"
};

const std::vector<TLineGlyph> LineGlyphs = {
    {0xB3, "0011"}, // │
    {0xB4, "1011"}, // ┤
    {0xB5, "2011"}, // ╡
    {0xB6, "1022"}, // ╢
    {0xB7, "1002"}, // ╖
    {0xB8, "2001"}, // ╕
    {0xB9, "2022"}, // ╣
    {0xBA, "0022"}, // ║
    {0xBB, "2002"}, // ╗
    {0xBC, "2020"}, // ╝
    {0xBD, "1020"}, // ╜
    {0xBE, "2010"}, // ╛
    {0xBF, "1001"}, // ┐
    {0xC0, "0110"}, // └
    {0xC1, "1110"}, // ┴
    {0xC2, "1101"}, // ┬
    {0xC3, "0111"}, // ├
    {0xC4, "1100"}, // ─
    {0xC5, "1111"}, // ┼
    {0xC6, "0211"}, // ╞
    {0xC7, "0122"}, // ╟
    {0xC8, "0220"}, // ╚
    {0xC9, "0202"}, // ╔
    {0xCA, "2220"}, // ╩
    {0xCB, "2202"}, // ╦
    {0xCC, "0222"}, // ╠
    {0xCD, "2200"}, // ═
    {0xCE, "2222"}, // ╬
    {0xCF, "2210"}, // ╧
    {0xD0, "1120"}, // ╨
    {0xD1, "2201"}, // ╤
    {0xD2, "1102"}, // ╥
    {0xD3, "0120"}, // ╙
    {0xD4, "0210"}, // ╘
    {0xD5, "0201"}, // ╒
    {0xD6, "0102"}, // ╓
    {0xD7, "1122"}, // ╫
    {0xD8, "2211"}, // ╪
    {0xD9, "1010"}, // ┘
    {0xDA, "0101"}, // ┌
};

constexpr std::uint8_t Horizontal = 0xC4;       // ─
constexpr std::uint8_t Vertical = 0xB3;         // │
constexpr std::uint8_t DoubleHorizontal = 0xCD; // ═
constexpr std::uint8_t DoubleVertical = 0xBA;   // ║

class BoxGlyphSize : public ::testing::TestWithParam<std::pair<int, int>> {};

// Every arm runs unbroken from the centre band to its edge, at exactly the
// rows (columns) of the plain line of its kind, so any two neighbouring cells
// join; where there is no arm, the cell is empty between the band and the edge.
TEST_P(BoxGlyphSize, ArmsReachTheirEdgesAndJoinNeighbours) {
    const auto [w, h] = GetParam();
    const TMask hSingle = Render(Horizontal, w, h);
    const TMask hDouble = Render(DoubleHorizontal, w, h);
    const TMask vSingle = Render(Vertical, w, h);
    const TMask vDouble = Render(DoubleVertical, w, h);
    ASSERT_EQ(Runs(Column(hSingle, 0)).size(), 1u);
    ASSERT_EQ(Runs(Column(hDouble, 0)).size(), 2u);
    ASSERT_EQ(Runs(vSingle[0]).size(), 1u);
    ASSERT_EQ(Runs(vDouble[0]).size(), 2u);
    // The band that holds every junction: from the outer rails of the doubles.
    const TRuns hRails = Runs(Column(hDouble, 0));
    const TRuns vRails = Runs(vDouble[0]);
    const int bandTop = hRails.front().first;
    const int bandBottom = hRails.back().second;
    const int bandLeft = vRails.front().first;
    const int bandRight = vRails.back().second;
    ASSERT_GT(bandTop, 0);
    ASSERT_LT(bandBottom, h);
    ASSERT_GT(bandLeft, 0);
    ASSERT_LT(bandRight, w);
    const TRuns noRuns;
    for (const TLineGlyph& g : LineGlyphs) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(g.Byte));
        const TMask m = Render(g.Byte, w, h);
        const auto edgeRuns = [&](char arm, bool horizontal) -> TRuns {
            if (arm == '0')
                return noRuns;
            const TMask& line =
                horizontal ? (arm == '1' ? hSingle : hDouble) : (arm == '1' ? vSingle : vDouble);
            return horizontal ? Runs(Column(line, 0)) : Runs(line[0]);
        };
        for (int x = 0; x < bandLeft; ++x)
            EXPECT_EQ(Runs(Column(m, x)), edgeRuns(g.Arms[0], true)) << "left, x " << x;
        for (int x = bandRight; x < w; ++x)
            EXPECT_EQ(Runs(Column(m, x)), edgeRuns(g.Arms[1], true)) << "right, x " << x;
        for (int y = 0; y < bandTop; ++y)
            EXPECT_EQ(Runs(m[y]), edgeRuns(g.Arms[2], false)) << "up, y " << y;
        for (int y = bandBottom; y < h; ++y)
            EXPECT_EQ(Runs(m[y]), edgeRuns(g.Arms[3], false)) << "down, y " << y;
        // Nothing outside the two bands.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((y < bandTop || y >= bandBottom) && (x < bandLeft || x >= bandRight)) {
                    EXPECT_FALSE(m[y][x]) << "stray pixel " << x << "," << y;
                }
    }
}

// Inside the centre: single lines cross everything, double lines turn corners
// and leave the gap between their rails open.
TEST_P(BoxGlyphSize, JunctionsInTheCentre) {
    const auto [w, h] = GetParam();
    const TRuns hRow = Runs(Column(Render(Horizontal, w, h), 0));
    const TRuns vCol = Runs(Render(Vertical, w, h)[0]);
    const int midY = hRow[0].first;
    const int midX = vCol[0].first;
    const auto fullRow = [&](std::uint8_t b) { return Runs(Render(b, w, h)[midY]); };
    const auto fullCol = [&](std::uint8_t b) { return Runs(Column(Render(b, w, h), midX)); };
    const TRuns acrossW = {{0, w}};
    const TRuns acrossH = {{0, h}};
    EXPECT_EQ(fullRow(0xC5), acrossW); // ┼
    EXPECT_EQ(fullCol(0xC5), acrossH);
    EXPECT_EQ(fullRow(0xD7), acrossW); // ╫: the single line crosses both rails
    EXPECT_EQ(fullCol(0xD8), acrossH); // ╪
    EXPECT_EQ(fullRow(0xD2), acrossW); // ╥
    EXPECT_EQ(fullCol(0xC6), acrossH); // ╞
    // ╬ ╟ ╢ ║: the centre between the rails stays open.
    for (std::uint8_t b : {0xCE, 0xC7, 0xB6, 0xBA})
        EXPECT_FALSE(Render(b, w, h)[midY][midX]) << int(b);
    // ╔: the outer rails meet in one corner pixel, the inner ones too.
    const TMask corner = Render(0xC9, w, h);
    const TRuns rails = Runs(Render(DoubleVertical, w, h)[0]);
    const TRuns rows = Runs(Column(Render(DoubleHorizontal, w, h), 0));
    EXPECT_TRUE(corner[rows[0].first][rails[0].first]);
    EXPECT_FALSE(corner[rows[0].first][rails[0].first - 1]);
    EXPECT_FALSE(corner[rows[0].first - 1][rails[0].first]);
    EXPECT_TRUE(corner[rows[1].first][rails[1].first]);
    EXPECT_FALSE(corner[rows[1].first][rails[1].first - 1]);
    EXPECT_FALSE(corner[rows[1].first - 1][rails[1].first]);
}

TEST_P(BoxGlyphSize, BlocksFillTheirPartExactly) {
    const auto [w, h] = GetParam();
    const TMask full = Render(0xDB, w, h);
    const TMask lower = Render(0xDC, w, h);
    const TMask left = Render(0xDD, w, h);
    const TMask right = Render(0xDE, w, h);
    const TMask upper = Render(0xDF, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            EXPECT_TRUE(full[y][x]);
            EXPECT_NE(upper[y][x], lower[y][x]) << x << "," << y;
            EXPECT_NE(left[y][x], right[y][x]) << x << "," << y;
        }
    }
    EXPECT_TRUE(upper[0][w - 1]);
    EXPECT_TRUE(lower[h - 1][0]);
    EXPECT_TRUE(left[h - 1][0]);
    EXPECT_TRUE(right[0][w - 1]);
    EXPECT_LE(std::abs(2 * static_cast<int>(Runs(Column(upper, 0))[0].second) - h), 1);
    EXPECT_LE(std::abs(2 * static_cast<int>(Runs(left[0])[0].second) - w), 1);
}

TEST_P(BoxGlyphSize, ShadesAreRegularAndOrdered) {
    const auto [w, h] = GetParam();
    int previous = 0;
    for (std::uint8_t b : {0xB0, 0xB1, 0xB2}) {
        const TMask m = Render(b, w, h);
        int count = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                count += m[y][x] ? 1 : 0;
                if (x + 2 < w) {
                    EXPECT_EQ(m[y][x], m[y][x + 2]) << int(b) << " at " << x << "," << y;
                }
                if (y + 2 < h) {
                    EXPECT_EQ(m[y][x], m[y + 2][x]) << int(b) << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(count, previous) << int(b);
        EXPECT_LT(count, w * h) << int(b);
        previous = count;
    }
    const TMask medium = Render(0xB1, w, h);
    for (int y = 0; y + 1 < h; ++y)
        for (int x = 0; x + 1 < w; ++x)
            EXPECT_NE(medium[y][x], medium[y][x + 1]);
}

INSTANTIATE_TEST_SUITE_P(CellSizes, BoxGlyphSize,
                         ::testing::Values(std::pair{8, 16}, std::pair{8, 15}, std::pair{7, 13},
                                           std::pair{9, 17}, std::pair{16, 32}, std::pair{24, 40}));

TEST(BoxGlyph, OnlyBoxBytesAndAlwaysInsideTheCell) {
    for (const auto& [w, h] :
         {std::pair{1, 1}, std::pair{2, 3}, std::pair{3, 5}, std::pair{8, 16}}) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<std::uint8_t>(b);
            const std::vector<QRect> rects = BoxGlyphRects(byte, w, h);
            EXPECT_EQ(IsBoxGlyph(byte), b >= 0xB0 && b <= 0xDF);
            if (!IsBoxGlyph(byte)) {
                EXPECT_TRUE(rects.empty()) << b;
            }
            for (const QRect& r : rects)
                EXPECT_TRUE(QRect(0, 0, w, h).contains(r)) << b << " in " << w << "x" << h;
        }
    }
    EXPECT_TRUE(BoxGlyphRects(0xC4, 0, 16).empty());
}

TEST(BoxGlyph, StrokesThickenMildly) {
    EXPECT_EQ(BoxStrokeWidth(8, 16), 1);
    EXPECT_EQ(BoxStrokeWidth(8, 15), 1);
    EXPECT_EQ(BoxStrokeWidth(16, 32), 2);
    EXPECT_EQ(BoxStrokeWidth(3, 5), 1);
}

} // namespace
} // namespace lemnar
