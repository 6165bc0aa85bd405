#include "terminal/Renderer.h"

#include "terminal/Terminal.h"
#include "terminal/View.h"

#include <algorithm>
#include <bit>

namespace lemnar {

TRenderer::TRenderer(const TTerminal& terminal, TScreenDamage& damage, TView& view,
                     const TSurfaces& surfaces)
    : Terminal(terminal), Damage(damage), View(view), Window(surfaces.Window),
      ScreenBitmap(surfaces.ScreenBitmap), CursorBitmap(surfaces.Cursor),
      ShownPicture(surfaces.Shown) {}

TDrawSurface& TRenderer::Surface(TPicture picture) {
    switch (picture) {
    case TPicture::Window:
        return Window;
    case TPicture::ScreenBitmap:
        return ScreenBitmap;
    case TPicture::Shown:
        break;
    }
    return ShownPicture;
}

const TDrawSurface& TRenderer::Look(TPicture picture) {
    Update();
    return Surface(picture);
}

TDrawSurface& TRenderer::Draw(TPicture picture) {
    Update();
    WindowAlike = false;
    View.ClearSelection();
    return Surface(picture);
}

TTextMetrics TRenderer::Measure(const TFontSpec& font) {
    Draw(TPicture::Window).SetFont(font);
    return Window.TextMetrics();
}

void TRenderer::Resize(const TFontSpec& font, int cols, int rows) {
    Update();
    WindowAlike = false;
    View.ClearSelection();
    const int cellWidth = Terminal.CellWidth;
    const int width = cols * cellWidth;
    const int height = rows * Terminal.CellHeight;
    // The window picture took the font when it was measured.
    Window.Resize(width, height);
    Window.SetBrushColor(Black);
    Window.SetBrushStyle(TBrushStyle::Solid);
    Window.SetPenMode(TMixMode::Copy);
    Window.SetPenWidth(1);

    ScreenBitmap.Resize(width, height);
    ScreenBitmap.SetBrushColor(Black);
    ScreenBitmap.SetBrushStyle(TBrushStyle::Solid);
    ScreenBitmap.SetPenMode(TMixMode::Copy);
    ScreenBitmap.SetPenWidth(Window.PenWidth());
    ScreenBitmap.SetFont(font);
    ScreenBitmap.SetFontColor(Window.FontColor());

    CursorBitmap.Resize(cellWidth, 2);
    CursorBitmap.SetBrushColor(White);
    CursorBitmap.SetBrushStyle(TBrushStyle::Solid);
    CursorBitmap.FillRect(0, 0, cellWidth, 2);
}

void TRenderer::BlankBlack() {
    for (TPicture p : {TPicture::Window, TPicture::ScreenBitmap}) {
        TDrawSurface& s = Draw(p);
        s.SetBrushColor(Black);
        s.SetBrushStyle(TBrushStyle::Solid);
        s.FillRect(0, 0, s.Width(), s.Height());
    }
    WindowTakesAll();
}

void TRenderer::BlankInBrush() {
    for (TPicture p : {TPicture::Window, TPicture::ScreenBitmap}) {
        TDrawSurface& s = Draw(p);
        s.FillRect(0, 0, s.Width(), s.Height());
    }
}

void TRenderer::WindowTakesAll() {
    Update();
    Window.CopyRect(0, 0, ScreenBitmap.Width(), ScreenBitmap.Height(), ScreenBitmap, 0, 0,
                    TCopyMode::SrcCopy);
    WindowAlike = true;
    OnWindow.Clear();
}

void TRenderer::MoveRows(int first, int last, int by) {
    Update();
    const int h = Terminal.CellHeight;
    const int top = std::min(first, first + by);
    const int count = last - first + 2; // the rows moved and the one they left or took
    const int width = ScreenBitmap.Width();
    ScreenBitmap.CopyRect(0, (first + by) * h, width, (last - first + 1) * h, ScreenBitmap, 0,
                          first * h, TCopyMode::SrcCopy);
    Window.CopyRect(0, top * h, width, count * h, ScreenBitmap, 0, top * h, TCopyMode::SrcCopy);
    // The bar is off here (ESC hid it); any other bar in those rows is gone.
    OnWindow.ClearRows(top, top + count);
}

void TRenderer::Update() {
    TScreenDamage& damage = Damage;
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
        const bool alike = WindowAlike && !Plain;
        if (alike) {
            OnWindow.ForEach([this](int row, int col) { XorBar(row, col); });
            OnWindow.Clear();
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
    const bool whole = !Plain && bitmapCell.AveCharWidth == cellWidth &&
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
        OnWindow.Clear();
    }
    damage.Bars.ForEach([this](int row, int col) {
        XorBar(row, col);
        // Bars on the window picture and not on ScreenBitmap.
        if (WindowAlike)
            OnWindow.Toggle(row, col);
    });
    View.KeepSelection(damage);

    // The colours drawing each change at once would have left.
    Window.SetBrushStyle(windowStyle);
    ScreenBitmap.SetBrushStyle(damage.Scrolls > 0 ? TBrushStyle::Solid : bitmapStyle);
    // A scroll leaves ScreenBitmap's brush black; a cell drawn after it, that
    // cell's colours.
    const bool drawn = damage.LastChanged;
    const bool scrolledLast = damage.ScrollAfterLast;
    Window.SetBrushColor(drawn ? TextPalette[damage.LastBg] : windowBrush);
    Window.SetFontColor(drawn ? TextPalette[damage.LastFg] : windowFont);
    ScreenBitmap.SetBrushColor(scrolledLast ? Black
                               : drawn      ? TextPalette[damage.LastBg]
                                            : bitmapBrush);
    ScreenBitmap.SetFontColor(drawn ? TextPalette[damage.LastFg] : bitmapFont);
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
        if (Plain) {
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

bool TRenderer::RowCovered(int row) const {
    const std::uint64_t* words = Damage.Dirty[row];
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
    const std::uint64_t* words = Damage.Dirty[row];
    const int end = std::min(Terminal.ScreenCols, StoreCols);
    int from = 0;
    int to = 0;
    for (int at = 0; NextCellRun(words, at, end, from, to); at = to)
        DrawRun(row, from, to, onWindow, whole);
}

void TRenderer::WindowTakesRuns() {
    // The window takes the cells drawn and nothing else: elsewhere it may
    // differ from ScreenBitmap, by its bars or more.
    const TScreenDamage& damage = Damage;
    const int rows = std::min(Terminal.ScreenRows, StoreRows);
    const int cols = std::min(Terminal.ScreenCols, StoreCols);
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    for (int r = 0; r < rows; ++r) {
        int from = 0;
        int to = 0;
        for (int at = 0; NextCellRun(damage.Dirty[r], at, cols, from, to); at = to) {
            Window.CopyRect(from * cellWidth, r * cellHeight, (to - from) * cellWidth, cellHeight,
                            ScreenBitmap, from * cellWidth, r * cellHeight, TCopyMode::SrcCopy);
            OnWindow.ClearCells(r, from, to);
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
        OnWindow.ClearCells(row, from, to);
}

// --- What the window shows ------------------------------------------------------

TPicture TRenderer::Show() {
    Update();
    if (!View.ShowsOwnPicture())
        return TPicture::Window;
    TDrawSurface& shown = ShownPicture;
    if (shown.Width() != Window.Width() || shown.Height() != Window.Height())
        shown.Resize(Window.Width(), Window.Height());
    if (!(shown.Font() == Window.Font()))
        shown.SetFont(Window.Font());
    shown.SetBrushStyle(TBrushStyle::Solid);
    const TScrollback& history = Terminal.History;
    const long long top = View.ViewTop();
    const long long live = View.LiveTop();
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
    if (View.Selection() != nullptr)
        InvertSelection();
    return TPicture::Shown;
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
    shown.SetPenMode(TMixMode::Xor);
    shown.SetPenColor(White);
    shown.SetBrushColor(White);
    const int cellWidth = Terminal.CellWidth;
    const int cellHeight = Terminal.CellHeight;
    const TSelection& selecting = *View.Selection();
    const int last = Terminal.ScreenCols - 1;
    for (int y = 0; y < Terminal.ScreenRows; ++y) {
        const long long line = View.LineAt(y);
        if (line < selecting.FromLine || line > selecting.ToLine)
            continue;
        const int from = std::clamp(line == selecting.FromLine ? selecting.FromCol : 0, 0, last);
        const int to = std::clamp(line == selecting.ToLine ? selecting.ToCol : last, 0, last);
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

} // namespace lemnar
