#pragma once
// A drawing surface that records every call made to it as a line of text,
// and a host with a client area of whole 8 x 16 cells. No pixels, no Qt: the
// terminal and its renderer are driven here through nothing but the drawing
// interface.

#include "support/CellHost.h"
#include "support/SurfaceSettings.h"
#include "terminal/Terminal.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace lemnar::test {

class TRecordingSurface final : public TSurfaceSettings {
  public:
    explicit TRecordingSurface(std::string name) : Name(std::move(name)) {}

    int Width() const override { return W; }
    int Height() const override { return H; }
    void Resize(int width, int height) override {
        W = width;
        H = height;
        Log("Resize " + std::to_string(width) + "x" + std::to_string(height));
    }
    TTextMetrics TextMetrics() const override { return {8, 16}; }

    void FillRect(int x, int y, int w, int h) override {
        Log("FillRect " + Box(x, y, w, h) + " " + Colour(Brush));
    }
    void TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) override {
        Log("TextOut " + std::to_string(x) + "," + std::to_string(y) + " \"" +
            std::string(reinterpret_cast<const char*>(bytes), n) + "\" " + Colour(FontC) + " on " +
            Colour(Brush));
    }
    void MoveTo(int x, int y) override {
        Log("MoveTo " + std::to_string(x) + "," + std::to_string(y));
    }
    void LineTo(int x, int y) override {
        Log("LineTo " + std::to_string(x) + "," + std::to_string(y));
    }
    void Rectangle(int l, int t, int r, int b) override {
        Log("Rectangle " + std::to_string(l) + "," + std::to_string(t) + " to " +
            std::to_string(r) + "," + std::to_string(b));
    }
    void CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                  TCopyMode mode) override {
        const auto* from = dynamic_cast<const TRecordingSurface*>(&src);
        Log(std::string(mode == TCopyMode::SrcXor ? "XorRect " : "CopyRect ") + Box(dx, dy, w, h) +
            " from " + (from != nullptr ? from->Name : "?") + " " + std::to_string(sx) + "," +
            std::to_string(sy));
    }
    void ScrollUp(int rows) override { Log("ScrollUp " + std::to_string(rows)); }
    TColor Pixel(int, int) const override { return 0; }
    bool SaveBmp(const std::string&) const override { return false; }

    // The calls since the last Take, and forgets them.
    std::vector<std::string> Take() { return std::exchange(Calls, {}); }
    // The recorded calls that begin with prefix.
    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> found;
        std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(found),
                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return found;
    }

    const std::string Name;
    std::vector<std::string> Calls;

  private:
    static std::string Box(int x, int y, int w, int h) {
        return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
               std::to_string(h);
    }
    static std::string Colour(TColor c) {
        for (int i = 0; i < 16; ++i)
            if (TextPalette[i] == c)
                return "t" + std::to_string(i);
        return "#" + std::to_string(c);
    }
    void Log(std::string call) { Calls.push_back(std::move(call)); }

    int W = 0, H = 0;
};

// A terminal of cols x rows cells on three recording surfaces, started as the
// program starts it; the calls of the start are forgotten.
struct TRecordedTerminal {
    TRecordedTerminal(int cols = 80, int rows = 25, std::uint8_t type = TermQnx)
        : Host(cols, rows, 8, 16) {
        Terminal.TerminalType = type;
        Terminal.UpdateCellMetrics();
        Terminal.ResetScreen();
        Window.Take();
        Bitmap.Take();
    }
    void Feed(const std::string& bytes) {
        Terminal.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size());
    }
    TCellHost Host;
    TRecordingSurface Window{"window"};
    TRecordingSurface Bitmap{"ScreenBitmap"};
    TRecordingSurface Cursor{"cursor"};
    TRecordingSurface Shown{"shown"};
    TTerminal Terminal{Host, TSurfaces{Window, Bitmap, Cursor, Shown}};
};

} // namespace lemnar::test
