#include "terminal/Renderer.h"

#include "terminal/Terminal.h"

#include <algorithm>
#include <bit>

namespace lemnar {

namespace {
constexpr TColor Black = Rgb(0, 0, 0);
} // namespace

TRenderer::TRenderer(TTerminal& terminal, TDrawSurface& window, TDrawSurface& screenBitmap,
                     TDrawSurface& cursorBitmap)
    : Terminal(terminal), Window(window), ScreenBitmap(screenBitmap), CursorBitmap(cursorBitmap) {}

const TDrawSurface& TRenderer::Look(TPicture picture) {
    Update();
    return picture == TPicture::Window ? Window : ScreenBitmap;
}

TDrawSurface& TRenderer::Draw(TPicture picture) {
    Update();
    WindowAlike = false;
    return picture == TPicture::Window ? Window : ScreenBitmap;
}

void TRenderer::WindowTakesAll() {
    Update();
    Window.CopyRect(0, 0, ScreenBitmap.Width(), ScreenBitmap.Height(), ScreenBitmap, 0, 0,
                    TCopyMode::SrcCopy);
    WindowAlike = true;
    BarCount = 0;
}

void TRenderer::MoveRows(int dstY, int srcY, int h, int top, int height) {
    Update();
    const int width = ScreenBitmap.Width();
    ScreenBitmap.CopyRect(0, dstY, width, h, ScreenBitmap, 0, srcY, TCopyMode::SrcCopy);
    Window.CopyRect(0, top, width, height, ScreenBitmap, 0, top, TCopyMode::SrcCopy);
    const int cellHeight = Terminal.CellHeight;
    ForgetBarsInRows(top / cellHeight, (top + height) / cellHeight);
}

void TRenderer::Update() {
    TScreenDamage& damage = Terminal.Damage;
    if (!damage.Pending)
        return;
    ++UpdateCount;
    const TColor windowBrush = Window.BrushColor();
    const TColor windowFont = Window.FontColor();
    const TBrushStyle windowStyle = Window.BrushStyle();
    const TColor bitmapBrush = ScreenBitmap.BrushColor();
    const TColor bitmapFont = ScreenBitmap.FontColor();
    const TBrushStyle bitmapStyle = ScreenBitmap.BrushStyle();

    // After a scroll the window shows all of ScreenBitmap. When it is
    // ScreenBitmap with bars on it, taking the bars off and scrolling it the
    // same way gives that; otherwise it takes a copy at the end.
    bool copyToWindow = false;
    if (damage.Scrolls > 0) {
        const bool alike = WindowAlike && !EachChange;
        if (alike) {
            for (int i = 0; i < BarCount; ++i)
                XorBar(Bars[i].Row, Bars[i].Col);
            BarCount = 0;
        }
        Scroll(damage.Scrolls, alike);
        copyToWindow = !alike;
    }

    Window.SetBrushStyle(TBrushStyle::Solid);
    ScreenBitmap.SetBrushStyle(TBrushStyle::Solid);
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    for (int r = 0; r < rows; ++r)
        DrawRow(r, !copyToWindow);
    if (copyToWindow) {
        Window.CopyRect(0, 0, ScreenBitmap.Width(), ScreenBitmap.Height(), ScreenBitmap, 0, 0,
                        TCopyMode::SrcCopy);
        WindowAlike = true;
        BarCount = 0;
    }
    for (int i = 0; i < damage.BarCount; ++i) {
        XorBar(damage.Bars[i].Row, damage.Bars[i].Col);
        ToggleBar(damage.Bars[i].Row, damage.Bars[i].Col);
    }

    // The colours drawing each change at once would have left.
    Window.SetBrushStyle(windowStyle);
    ScreenBitmap.SetBrushStyle(damage.Scrolls > 0 ? TBrushStyle::Solid : bitmapStyle);
    Window.SetBrushColor(damage.Drawn ? TextPalette[damage.LastBg] : windowBrush);
    Window.SetFontColor(damage.Drawn ? TextPalette[damage.LastFg] : windowFont);
    ScreenBitmap.SetBrushColor(damage.ScrolledLast ? Black
                               : damage.Drawn      ? TextPalette[damage.LastBg]
                                                   : bitmapBrush);
    ScreenBitmap.SetFontColor(damage.Drawn ? TextPalette[damage.LastFg] : bitmapFont);
    damage = TScreenDamage{};
}

void TRenderer::Scroll(int scrolls, bool windowAlike) {
    const int rows = Terminal.ScreenRows;
    const int cellHeight = Terminal.CellHeight;
    const int strip = std::min(scrolls, rows);
    for (TDrawSurface* s : {&ScreenBitmap, &Window}) {
        if (s == &Window && !windowAlike)
            continue;
        s->SetBrushColor(Black);
        s->SetBrushStyle(TBrushStyle::Solid);
        const int width = s->Width();
        if (EachChange) {
            const int height = s->Height();
            // As each scroll does it: a copy of the picture onto itself, then
            // the strip.
            s->CopyRect(0, 0, width, height - cellHeight, *s, 0, cellHeight, TCopyMode::SrcCopy);
            s->FillRect(0, height - cellHeight, width, cellHeight);
            continue;
        }
        if (strip < rows)
            s->ScrollUp(strip * cellHeight);
        // The strip is black, but for the rows whose every cell is about to
        // be drawn over it.
        for (int r = rows - strip; r < rows; ++r) {
            if (!RowCovered(r))
                s->FillRect(0, r * cellHeight, width, cellHeight);
        }
    }
}

namespace {

// The first run of set bits [from, to) in [at, end). false: none.
bool NextRun(const std::uint64_t* words, int at, int end, int& from, int& to) {
    int c = at;
    while (c < end) {
        const std::uint64_t w = words[c / 64] >> (c % 64);
        if (w != 0) {
            c += std::countr_zero(w);
            break;
        }
        c = (c / 64 + 1) * 64;
    }
    if (c >= end)
        return false;
    from = c;
    while (c < end) {
        const std::uint64_t w = ~words[c / 64] >> (c % 64);
        if (w != 0) {
            c += std::countr_zero(w);
            break;
        }
        c = (c / 64 + 1) * 64;
    }
    to = std::min(c, end);
    return true;
}

} // namespace

bool TRenderer::RowCovered(int row) const {
    const std::uint64_t* words = Terminal.Damage.Dirty[row];
    const int cols = std::min(Terminal.ScreenCols, StoreCols);
    for (int w = 0; w * 64 < cols; ++w) {
        const int n = std::min(cols - w * 64, 64);
        const std::uint64_t all = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
        if ((words[w] & all) != all)
            return false;
    }
    return true;
}

void TRenderer::DrawRow(int row, bool onWindow) {
    const std::uint64_t* words = Terminal.Damage.Dirty[row];
    const int end = std::min(Terminal.ScreenCols, StoreCols);
    int from = 0;
    int to = 0;
    for (int at = 0; NextRun(words, at, end, from, to); at = to)
        DrawRun(row, from, to, onWindow);
}

void TRenderer::DrawRun(int row, int from, int to, bool onWindow) {
    const Cell* cells = Terminal.ScreenCells[row];
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const int y = row * cellHeight;
    // Glyphs of the cell's size paint all of it, so a run of cells in one
    // pair of colours is one call; the plain path draws each cell alone, a
    // fill and its glyph.
    const TTextMetrics metrics = ScreenBitmap.TextMetrics();
    const bool whole =
        !EachChange && metrics.AveCharWidth == cellWidth && metrics.Height == cellHeight &&
        Window.TextMetrics().AveCharWidth == cellWidth && Window.TextMetrics().Height == cellHeight;
    std::uint8_t text[StoreCols];
    for (int c = from; c < to;) {
        const std::uint8_t fg = cells[c].Fg & 15;
        const std::uint8_t bg = cells[c].Bg & 15;
        int end = c + 1;
        if (whole) {
            while (end < to && (cells[end].Fg & 15) == fg && (cells[end].Bg & 15) == bg)
                ++end;
        }
        for (int i = c; i < end; ++i)
            text[i - c] = cells[i].Ch;
        const int x = c * cellWidth;
        for (TDrawSurface* s : {&ScreenBitmap, &Window}) {
            // The window takes the run from ScreenBitmap below, but on the
            // plain path, which draws both.
            if (s == &Window && (!onWindow || whole))
                continue;
            s->SetBrushColor(TextPalette[bg]);
            s->SetFontColor(TextPalette[fg]);
            if (!whole)
                s->FillRect(x, y, cellWidth, cellHeight);
            s->TextOut(x, y, text, static_cast<std::size_t>(end - c));
        }
        c = end;
    }
    if (onWindow && whole)
        Window.CopyRect(from * cellWidth, y, (to - from) * cellWidth, cellHeight, ScreenBitmap,
                        from * cellWidth, y, TCopyMode::SrcCopy);
    if (onWindow)
        ForgetBarsIn(row, from, to);
}

void TRenderer::XorBar(int row, int col) {
    const int cellWidth = Terminal.CellWidth;
    Window.CopyRect(col * cellWidth, (row + 1) * Terminal.CellHeight - 2, cellWidth, 2,
                    CursorBitmap, 0, 0, TCopyMode::SrcXor);
}

void TRenderer::ToggleBar(int row, int col) {
    if (!WindowAlike)
        return;
    for (int i = 0; i < BarCount; ++i) {
        if (Bars[i].Row == row && Bars[i].Col == col) {
            Bars[i] = Bars[--BarCount];
            return;
        }
    }
    if (BarCount == MaxBars) {
        // Too many to keep track of: the next scroll copies the window whole.
        WindowAlike = false;
        BarCount = 0;
        return;
    }
    Bars[BarCount++] = {row, col};
}

void TRenderer::ForgetBarsIn(int row, int from, int to) {
    for (int i = 0; i < BarCount;) {
        if (Bars[i].Row == row && Bars[i].Col >= from && Bars[i].Col < to)
            Bars[i] = Bars[--BarCount];
        else
            ++i;
    }
}

void TRenderer::ForgetBarsInRows(int top, int bottom) {
    for (int i = 0; i < BarCount;) {
        if (Bars[i].Row >= top && Bars[i].Row < bottom)
            Bars[i] = Bars[--BarCount];
        else
            ++i;
    }
}

} // namespace lemnar
