#include "terminal/Renderer.h"

#include "terminal/Terminal.h"

#include <algorithm>
#include <bit>

namespace lemnar {

namespace {
constexpr TColor Black = Rgb(0, 0, 0);
} // namespace

TRenderer::TRenderer(TTerminal& terminal, TDrawSurface& window, TDrawSurface& screenBitmap,
                     TDrawSurface& cursorBitmap, TDrawSurface& shown)
    : Terminal(terminal), Window(window), ScreenBitmap(screenBitmap), CursorBitmap(cursorBitmap),
      ShownPicture(shown) {}

const TDrawSurface& TRenderer::Look(TPicture picture) {
    Update();
    return picture == TPicture::Window ? Window : ScreenBitmap;
}

TDrawSurface& TRenderer::Draw(TPicture picture) {
    Update();
    WindowAlike = false;
    Selected = false;
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
    // Glyphs of the cell's size paint all of it, so a run of cells in one
    // pair of colours is one call, and the window can take the cells from
    // ScreenBitmap; the plain path draws each cell alone, a fill and its
    // glyph, on both.
    const TTextMetrics bitmapCell = ScreenBitmap.TextMetrics();
    const TTextMetrics windowCell = Window.TextMetrics();
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const bool whole = !EachChange && bitmapCell.AveCharWidth == cellWidth &&
                       bitmapCell.Height == cellHeight && windowCell.AveCharWidth == cellWidth &&
                       windowCell.Height == cellHeight;
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    for (int r = 0; r < rows; ++r)
        DrawRow(r, !copyToWindow && !whole, whole);
    if (!copyToWindow && whole)
        WindowTakesRuns();
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
    KeepSelection();

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

void TRenderer::DrawRow(int row, bool onWindow, bool whole) {
    const std::uint64_t* words = Terminal.Damage.Dirty[row];
    const int end = std::min(Terminal.ScreenCols, StoreCols);
    int from = 0;
    int to = 0;
    for (int at = 0; NextRun(words, at, end, from, to); at = to)
        DrawRun(row, from, to, onWindow, whole);
}

void TRenderer::WindowTakesRuns() {
    // The window takes the cells drawn and nothing else: elsewhere it may
    // differ from ScreenBitmap, by its bars or more.
    const TScreenDamage& damage = Terminal.Damage;
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    const int cols = std::min(Terminal.ScreenCols, StoreCols);
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    for (int r = 0; r < rows; ++r) {
        int from = 0;
        int to = 0;
        for (int at = 0; NextRun(damage.Dirty[r], at, cols, from, to); at = to) {
            Window.CopyRect(from * cellWidth, r * cellHeight, (to - from) * cellWidth, cellHeight,
                            ScreenBitmap, from * cellWidth, r * cellHeight, TCopyMode::SrcCopy);
            ForgetBarsIn(r, from, to);
        }
    }
}

void TRenderer::DrawRun(int row, int from, int to, bool onWindow, bool whole) {
    const Cell* cells = Terminal.ScreenCells[row];
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const int y = row * cellHeight;
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
            if (s == &Window && !onWindow)
                continue;
            s->SetBrushColor(TextPalette[bg]);
            s->SetFontColor(TextPalette[fg]);
            if (!whole)
                s->FillRect(x, y, cellWidth, cellHeight);
            s->TextOut(x, y, text, static_cast<std::size_t>(end - c));
        }
        c = end;
    }
    if (onWindow)
        ForgetBarsIn(row, from, to);
}

// --- What the window shows ------------------------------------------------------

long long TRenderer::LiveTop() const {
    return Terminal.History.Dropped() + Terminal.History.Count();
}

long long TRenderer::ViewTop() const {
    if (!Viewing)
        return LiveTop();
    // History that went from the old end takes the view along.
    return std::clamp(ViewTopLine, Terminal.History.Dropped(), LiveTop());
}

int TRenderer::ViewBack() const {
    return static_cast<int>(LiveTop() - ViewTop());
}

void TRenderer::ScrollView(int rows) {
    const long long top = std::clamp(ViewTop() - rows, Terminal.History.Dropped(), LiveTop());
    Viewing = top < LiveTop();
    ViewTopLine = top;
}

void TRenderer::Select(const TSelection& selection) {
    Selecting = selection;
    if (selection.ToLine < selection.FromLine ||
        (selection.ToLine == selection.FromLine && selection.ToCol < selection.FromCol)) {
        std::swap(Selecting.FromLine, Selecting.ToLine);
        std::swap(Selecting.FromCol, Selecting.ToCol);
    }
    Selected = true;
}

void TRenderer::KeepSelection() {
    if (!Selected)
        return;
    const TScreenDamage& damage = Terminal.Damage;
    const long long live = LiveTop();
    // Rows that scrolled into the history with cells still to draw.
    if (damage.DirtyPushed && live - damage.Scrolls + damage.FirstDirtyPush <= Selecting.ToLine &&
        Selecting.FromLine < live) {
        Selected = false;
        return;
    }
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    const int cols = std::min(Terminal.ScreenCols, StoreCols);
    for (int r = 0; r < rows; ++r) {
        const long long line = live + r;
        if (line < Selecting.FromLine || line > Selecting.ToLine)
            continue;
        // The selected columns of this line, and the recorded runs on it.
        const int first = line == Selecting.FromLine ? Selecting.FromCol : 0;
        const int last = line == Selecting.ToLine ? Selecting.ToCol : cols - 1;
        int from = 0;
        int to = 0;
        for (int at = 0; NextRun(damage.Dirty[r], at, cols, from, to); at = to) {
            if (from <= last && to - 1 >= first) {
                Selected = false;
                return;
            }
        }
    }
}

const TDrawSurface& TRenderer::Shown() {
    Update();
    if (!Viewing && !Selected)
        return Window;
    TDrawSurface& shown = ShownPicture;
    if (shown.Width() != Window.Width() || shown.Height() != Window.Height())
        shown.Resize(Window.Width(), Window.Height());
    if (!(shown.Font() == Window.Font()))
        shown.SetFont(Window.Font());
    shown.SetBrushStyle(TBrushStyle::Solid);
    const TScrollback& history = Terminal.History;
    const long long top = ViewTop();
    const long long live = LiveTop();
    const int cellHeight = Terminal.CellHeight;
    for (int y = 0; y < Terminal.ScreenRows; ++y) {
        const long long line = top + y;
        if (line < live) {
            const int i = static_cast<int>(line - history.Dropped());
            DrawHistoryRow(y, i);
        } else {
            shown.CopyRect(0, y * cellHeight, Window.Width(), cellHeight, Window, 0,
                           static_cast<int>(line - live) * cellHeight, TCopyMode::SrcCopy);
        }
    }
    if (Selected)
        InvertSelection();
    return shown;
}

void TRenderer::DrawHistoryRow(int y, int i) {
    TDrawSurface& shown = ShownPicture;
    const TScrollback& history = Terminal.History;
    const Cell* cells = history.Row(i);
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const int cols = std::min(history.Width(i), Terminal.ScreenCols);
    std::uint8_t text[StoreCols];
    for (int c = 0; c < cols;) {
        // A run of painted cells in one pair of colours, or of cells the row
        // showed black when it left the grid.
        const bool painted = history.Painted(i, c);
        const std::uint8_t fg = cells[c].Fg & 15;
        const std::uint8_t bg = cells[c].Bg & 15;
        int end = c + 1;
        while (end < cols && history.Painted(i, end) == painted &&
               (!painted || ((cells[end].Fg & 15) == fg && (cells[end].Bg & 15) == bg)))
            ++end;
        const int x = c * cellWidth;
        const int width = (end - c) * cellWidth;
        if (!painted) {
            shown.SetBrushColor(Black);
            shown.FillRect(x, y * cellHeight, width, cellHeight);
            c = end;
            continue;
        }
        for (int k = c; k < end; ++k)
            text[k - c] = cells[k].Ch;
        shown.SetBrushColor(TextPalette[bg]);
        shown.SetFontColor(TextPalette[fg]);
        shown.FillRect(x, y * cellHeight, width, cellHeight);
        shown.TextOut(x, y * cellHeight, text, static_cast<std::size_t>(end - c));
        c = end;
    }
    // A row kept from a narrower grid: black beyond it.
    shown.SetBrushColor(Black);
    shown.FillRect(cols * cellWidth, y * cellHeight, shown.Width(), cellHeight);
}

void TRenderer::InvertSelection() {
    TDrawSurface& shown = ShownPicture;
    constexpr TColor White = Rgb(255, 255, 255);
    shown.SetPenMode(TMixMode::Xor);
    shown.SetPenColor(White);
    shown.SetBrushColor(White);
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const int last = Terminal.ScreenCols - 1;
    for (int y = 0; y < Terminal.ScreenRows; ++y) {
        const long long line = LineAt(y);
        if (line < Selecting.FromLine || line > Selecting.ToLine)
            continue;
        const int from = std::clamp(line == Selecting.FromLine ? Selecting.FromCol : 0, 0, last);
        const int to = std::clamp(line == Selecting.ToLine ? Selecting.ToCol : last, 0, last);
        if (from <= to)
            shown.Rectangle(from * cellWidth, y * cellHeight, (to + 1) * cellWidth,
                            (y + 1) * cellHeight);
    }
    shown.SetPenMode(TMixMode::Copy);
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
