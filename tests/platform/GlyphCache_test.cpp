#include "platform/GlyphCache.h"

#include "platform/QtSurface.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lemnar {
namespace {

const TFontSpec Fallback{"DejaVu Sans Mono", 13};

TEST(GlyphCache, MetricsAreThoseOfTheFont) {
    for (int pixels : {10, 13, 16, 24}) {
        const TGlyphCache cache(TFontSpec{"DejaVu Sans Mono", pixels});
        const QFontMetrics metrics(cache.Font());
        EXPECT_EQ(cache.Metrics().AveCharWidth, metrics.averageCharWidth());
        EXPECT_EQ(cache.Metrics().AveCharWidth, metrics.horizontalAdvance(QChar(u'M')));
        EXPECT_EQ(cache.Metrics().Height, metrics.ascent() + metrics.descent());
        EXPECT_GE(cache.Metrics().Height, pixels);
        EXPECT_EQ(cache.Font().pixelSize(), pixels);
    }
}

TEST(GlyphCache, MissingFaceFallsBackToTheMonospaceFace) {
    const QFont font = TGlyphCache::MakeFont(TFontSpec{"No Such Face Anywhere", 13});
    EXPECT_EQ(QFontInfo(font).family(), QString("DejaVu Sans Mono"));
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
    EXPECT_EQ(font.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
}

TEST(GlyphCache, SharedPerFont) {
    const auto a = TGlyphCache::Shared(Fallback);
    const auto b = TGlyphCache::Shared(Fallback);
    const auto c = TGlyphCache::Shared(TFontSpec{"DejaVu Sans Mono", 20});
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), c.get());
    EXPECT_NE(a->Metrics().Height, c->Metrics().Height);
}

TEST(GlyphCache, MasksHoldTheGlyphs) {
    TGlyphCache cache(Fallback);
    const int size = cache.Metrics().AveCharWidth * cache.Metrics().Height;
    const auto count = [&](std::uint8_t b) {
        const std::uint8_t* mask = cache.Mask(b);
        int n = 0;
        for (int i = 0; i < size; ++i) {
            EXPECT_LE(mask[i], 1);
            n += mask[i];
        }
        return n;
    };
    EXPECT_EQ(count(0x00), 0);
    EXPECT_EQ(count(' '), 0);
    EXPECT_EQ(count(0xFF), 0);
    EXPECT_EQ(count(0xDB), size); // full block
    for (int b : {0x41, 0x67, 0x30, 0x80, 0xAF, 0xE0, 0xF0, 0x01, 0x10, 0x7F, 0xFC})
        EXPECT_GT(count(static_cast<std::uint8_t>(b)), 3) << b;
    // The same byte gives the same mask every time.
    EXPECT_EQ(cache.Mask('A'), cache.Mask('A'));
}

// Draws all 256 bytes, 16 to a row, onto two identical surfaces, once from the
// masks and once with QPainter, and demands the same pixels.
TEST(GlyphCache, MasksMatchQPainterForAllBytes) {
    for (const TFontSpec& font : {Fallback, TFontSpec{"DejaVu Sans Mono", 22}}) {
        for (TBrushStyle style : {TBrushStyle::Solid, TBrushStyle::Clear}) {
            TQtSurface fast;
            fast.SetFont(font);
            const TTextMetrics cell = fast.TextMetrics();
            fast.Resize(cell.AveCharWidth * 16 + 5, cell.Height * 16 + 3);
            // A striped background shows what transparent text leaves alone.
            for (int x = 0; x < fast.Width(); x += 3) {
                fast.SetBrushColor(Rgb(x & 0xFF, 40, 90));
                fast.FillRect(x, 0, 2, fast.Height());
            }
            TQtSurface reference = fast;
            reference.SetReferenceText(true);
            for (TQtSurface* s : {&fast, &reference}) {
                s->SetBrushStyle(style);
                s->SetBrushColor(Rgb(0, 0, 170));
                s->SetFontColor(Rgb(255, 255, 0));
                for (int row = 0; row < 16; ++row) {
                    std::vector<std::uint8_t> bytes;
                    for (int col = 0; col < 16; ++col)
                        bytes.push_back(static_cast<std::uint8_t>(row * 16 + col));
                    s->TextOut(2, 1 + row * cell.Height, bytes.data(), bytes.size());
                }
                // Partly outside on every side.
                const std::uint8_t edge[] = {'W', 0xDB, 0xC5, 'g'};
                s->TextOut(-3, -4, edge, 4);
                s->TextOut(s->Width() - 10, s->Height() - 5, edge, 4);
            }
            EXPECT_TRUE(fast.Image() == reference.Image())
                << font.PixelHeight << " px, style " << int(style);
        }
    }
}

// The 256 glyphs in a double frame, and beside them small frames of every
// junction; saved for a look at the glyphs. The frame's rails must run
// unbroken from corner to corner.
TEST(GlyphCache, GlyphTablePicture) {
    TQtSurface s;
    s.SetFont(Fallback);
    const TTextMetrics cell = s.TextMetrics();
    const std::vector<std::string> joins = {
        "\xDA\xC4\xC2\xC4\xBF", "\xC3\xC4\xC5\xC4\xB4", "\xC0\xC4\xC1\xC4\xD9",
        "\xC9\xCD\xCB\xCD\xBB", "\xCC\xCD\xCE\xCD\xB9", "\xC8\xCD\xCA\xCD\xBC",
        "\xD5\xCD\xD1\xCD\xB8", "\xC6\xCD\xD8\xCD\xB5", "\xD4\xCD\xCF\xCD\xBE",
        "\xD6\xC4\xD2\xC4\xB7", "\xC7\xC4\xD7\xC4\xB6", "\xD3\xC4\xD0\xC4\xBD",
        "\xB0\xB1\xB2\xDB\xDF", "\xDC\xDD\xDE\xDB\xB3", "\xBA\xB3\xC4\xCD\xFE",
    };
    s.Resize(cell.AveCharWidth * 25, cell.Height * 18);
    s.SetBrushColor(Rgb(0, 0, 0));
    s.SetFontColor(Rgb(200, 200, 200));
    const auto put = [&](int col, int row, const std::string& text) {
        s.TextOut(col * cell.AveCharWidth, row * cell.Height,
                  reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    put(0, 0, "\xC9" + std::string(16, '\xCD') + "\xBB");
    put(0, 17, "\xC8" + std::string(16, '\xCD') + "\xBC");
    for (int row = 0; row < 16; ++row) {
        std::string line = "\xBA";
        for (int col = 0; col < 16; ++col)
            line += static_cast<char>(row * 16 + col);
        put(0, row + 1, line + "\xBA");
    }
    s.SetFontColor(Rgb(255, 255, 0));
    for (std::size_t i = 0; i < joins.size(); ++i)
        put(19, static_cast<int>(i) + 1, joins[i]);
    ASSERT_TRUE(s.Image().save(LEMNAR_BINARY_DIR "/glyph-table.png"));

    // Both rails of the top edge run unbroken across all 16 middle cells and
    // into the corners; both rails of the left edge down all 16 rows.
    const auto lit = [&](int x, int y) { return s.Pixel(x, y) != 0; };
    std::vector<int> railRows;
    for (int y = 0; y < cell.Height; ++y)
        if (lit(cell.AveCharWidth, y))
            railRows.push_back(y);
    ASSERT_EQ(railRows.size(), 2u);
    for (int y : railRows)
        for (int x = cell.AveCharWidth - 2; x < 17 * cell.AveCharWidth + 2; ++x)
            EXPECT_TRUE(lit(x, y)) << "gap in the top edge at " << x << "," << y;
    std::vector<int> railCols;
    for (int x = 0; x < cell.AveCharWidth; ++x)
        if (lit(x, cell.Height))
            railCols.push_back(x);
    ASSERT_EQ(railCols.size(), 2u);
    for (int x : railCols)
        for (int y = cell.Height - 2; y < 17 * cell.Height + 2; ++y)
            EXPECT_TRUE(lit(x, y)) << "gap in the left edge at " << x << "," << y;
}

} // namespace
} // namespace lemnar
