#pragma once
// A drawing surface and a terminal host for the fuzz targets. The surface has
// real pixels but tiny cells (2 x 3 pixels, a made-up glyph per byte), so
// whole pictures are cheap to draw and to compare; it keeps its pen, brush and
// font state, and checks that every colour it is given comes from one of the
// terminal's palettes.

#include "support/CellHost.h"
#include "support/SurfaceSettings.h"
#include "terminal/Terminal.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace lemnar {

// The pixel loops of the surface say nothing about the terminal: they are
// left out of the coverage the fuzzer steers by, which also keeps them fast.
#if defined(__clang__)
#define LEMNAR_PIXEL_LOOP __attribute__((no_sanitize("coverage")))
#else
#define LEMNAR_PIXEL_LOOP
#endif

// Aborts, so libFuzzer records the input, when a fuzz invariant fails.
inline void FuzzCheck(bool ok) {
    if (!ok)
        std::abort();
}

class TFuzzSurface final : public test::TSurfaceSettings {
  public:
    TFuzzSurface() { FontC = Rgb(255, 255, 255); }

    static constexpr int CellW = 2;
    static constexpr int CellH = 3;

    int Width() const override { return W; }
    int Height() const override { return H; }
    LEMNAR_PIXEL_LOOP
    void Resize(int width, int height) override {
        FuzzCheck(width >= 0 && height >= 0 && width <= 4096 && height <= 4096);
        std::vector<TColor> resized(static_cast<std::size_t>(width) * height, 0);
        for (int y = 0; y < std::min(height, H); ++y)
            for (int x = 0; x < std::min(width, W); ++x)
                resized[static_cast<std::size_t>(y) * width + x] = At(x, y);
        Pixels.swap(resized);
        W = width;
        H = height;
    }

    TTextMetrics TextMetrics() const override { return {CellW, CellH}; }

    LEMNAR_PIXEL_LOOP
    void FillRect(int x, int y, int w, int h) override {
        const int x0 = std::max(x, 0);
        const int x1 = std::min(x + w, W);
        if (x1 <= x0)
            return;
        for (int yy = std::max(y, 0); yy < std::min(y + h, H); ++yy)
            std::fill_n(Pixels.data() + static_cast<std::size_t>(yy) * W + x0, x1 - x0, Brush);
    }
    LEMNAR_PIXEL_LOOP
    void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) override {
        // A text command holds at most 78 characters; cells written in one
        // go lie in one row of the store.
        FuzzCheck(n <= static_cast<std::size_t>(StoreCols));
        for (std::size_t i = 0; i < n; ++i)
            for (int cy = 0; cy < CellH; ++cy)
                for (int cx = 0; cx < CellW; ++cx) {
                    const int px = x + static_cast<int>(i) * CellW + cx;
                    const int py = y + cy;
                    if (px < 0 || py < 0 || px >= W || py >= H)
                        continue;
                    if (Ink(bytes[i], cx, cy))
                        At(px, py) = FontC;
                    else if (Style == TBrushStyle::Solid)
                        At(px, py) = Brush;
                }
    }
    void MoveTo(int x, int y) override {
        PenX = x;
        PenY = y;
    }
    // Every pixel from the pen along the major axis, the end point left out.
    LEMNAR_PIXEL_LOOP
    void LineTo(int x, int y) override {
        const long long dx = static_cast<long long>(x) - PenX;
        const long long dy = static_cast<long long>(y) - PenY;
        const long long steps = std::max(std::llabs(dx), std::llabs(dy));
        for (long long i = 0; i < steps && i < 8192; ++i)
            Plot(static_cast<int>(PenX + dx * i / steps), static_cast<int>(PenY + dy * i / steps),
                 Pen);
        PenX = x;
        PenY = y;
    }
    LEMNAR_PIXEL_LOOP
    void Rectangle(int left, int top, int right, int bottom) override {
        for (int y = std::max(std::min(top, bottom), 0); y < std::min(std::max(top, bottom), H);
             ++y)
            for (int x = std::max(std::min(left, right), 0); x < std::min(std::max(left, right), W);
                 ++x) {
                const bool edge = y == std::min(top, bottom) || y == std::max(top, bottom) - 1 ||
                                  x == std::min(left, right) || x == std::max(left, right) - 1;
                if (edge || Style == TBrushStyle::Solid)
                    Plot(x, y, edge ? Pen : Brush);
            }
    }
    LEMNAR_PIXEL_LOOP
    void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                  TCopyMode mode) override {
        const auto* from = dynamic_cast<const TFuzzSurface*>(&src);
        FuzzCheck(from != nullptr);
        // The offsets whose source and target pixels both lie in a picture.
        const int x0 = std::max({0, -sx, -dx});
        const int y0 = std::max({0, -sy, -dy});
        const int x1 = std::min({w, from->W - sx, W - dx});
        const int y1 = std::min({h, from->H - sy, H - dy});
        if (x1 <= x0 || y1 <= y0)
            return;
        // The source area first, as the source may be this surface.
        const auto width = static_cast<std::size_t>(x1 - x0);
        std::vector<TColor> area(width * static_cast<std::size_t>(y1 - y0));
        for (int yy = y0; yy < y1; ++yy)
            std::copy_n(from->Pixels.data() + static_cast<std::size_t>(sy + yy) * from->W + sx + x0,
                        width, area.data() + static_cast<std::size_t>(yy - y0) * width);
        for (int yy = y0; yy < y1; ++yy) {
            TColor* to = Pixels.data() + static_cast<std::size_t>(dy + yy) * W + dx + x0;
            const TColor* c = area.data() + static_cast<std::size_t>(yy - y0) * width;
            if (mode == TCopyMode::SrcCopy) {
                std::copy_n(c, width, to);
                continue;
            }
            for (std::size_t i = 0; i < width; ++i)
                to[i] ^= c[i];
        }
    }

    TColor Pixel(int x, int y) const override {
        return x < 0 || y < 0 || x >= W || y >= H ? 0 : Pixels[static_cast<std::size_t>(y) * W + x];
    }
    bool SaveBmp(const std::string&) const override { return false; }

    LEMNAR_PIXEL_LOOP
    bool SamePixels(const TFuzzSurface& other) const {
        return W == other.W && H == other.H && Pixels == other.Pixels;
    }

  private:
    // Blank glyphs are all paper; the others a pattern of the byte.
    static bool Ink(std::uint8_t b, int x, int y) {
        return b != ' ' && ((b >> (x + CellW * y)) & 1) != 0;
    }
    TColor& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * W + x]; }
    TColor At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * W + x]; }
    void Plot(int x, int y, TColor c) {
        if (x < 0 || y < 0 || x >= W || y >= H)
            return;
        At(x, y) = Mode == TMixMode::Xor ? At(x, y) ^ c : c;
    }
    // Every colour the terminal hands over comes from one of its palettes.
    TColor Accept(TColor c) override {
        bool found = c == Rgb(0, 0, 0) || c == Rgb(255, 255, 255);
        for (int i = 0; i < 16 && !found; ++i)
            found = c == TextPalette[i] || c == GraphicsPalette[i];
        FuzzCheck(found);
        return c;
    }

    int W = 0, H = 0;
    std::vector<TColor> Pixels;
    int PenX = 0, PenY = 0;
};

// The three surfaces and the terminal on them, sized to cols x rows.
struct TFuzzTerminal {
    TFuzzTerminal(int cols, int rows, std::uint8_t terminalType)
        : Host(cols, rows, TFuzzSurface::CellW, TFuzzSurface::CellH) {
        Terminal.TerminalType = terminalType;
        Terminal.UpdateCellMetrics();
        Terminal.ResetScreen();
    }
    test::TCellHost Host;
    TFuzzSurface Window, Bitmap, Cursor, Shown;
    TTerminal Terminal{Host, TSurfaces{Window, Bitmap, Cursor, Shown}};
};

} // namespace lemnar
