#include "platform/BoxGlyph.h"

#include <algorithm>
#include <array>

namespace lemnar {

namespace {

constexpr std::uint8_t FirstBox = 0xB0;
constexpr std::uint8_t LastBox = 0xDF;

enum class TShape : std::uint8_t { Lines, Light, Medium, Dark, Full, Lower, Left, Right, Upper };

// The stroke leaving the cell centre towards one edge.
enum TArm : std::uint8_t { No = 0, Sgl = 1, Dbl = 2 };

struct TBoxShape {
    TShape Shape;
    TArm Left, Right, Up, Down;
};

constexpr TBoxShape Lines(TArm l, TArm r, TArm u, TArm d) {
    return {TShape::Lines, l, r, u, d};
}
constexpr TBoxShape Area(TShape s) {
    return {s, No, No, No, No};
}

constexpr std::array<TBoxShape, LastBox - FirstBox + 1> Shapes = {
    Area(TShape::Light),       // B0 light shade
    Area(TShape::Medium),      // B1 medium shade
    Area(TShape::Dark),        // B2 dark shade
    Lines(No, No, Sgl, Sgl),   // B3 vertical
    Lines(Sgl, No, Sgl, Sgl),  // B4 vertical and left
    Lines(Dbl, No, Sgl, Sgl),  // B5 vertical single, left double
    Lines(Sgl, No, Dbl, Dbl),  // B6 vertical double, left single
    Lines(Sgl, No, No, Dbl),   // B7 down double, left single
    Lines(Dbl, No, No, Sgl),   // B8 down single, left double
    Lines(Dbl, No, Dbl, Dbl),  // B9 double vertical and left
    Lines(No, No, Dbl, Dbl),   // BA double vertical
    Lines(Dbl, No, No, Dbl),   // BB double down and left
    Lines(Dbl, No, Dbl, No),   // BC double up and left
    Lines(Sgl, No, Dbl, No),   // BD up double, left single
    Lines(Dbl, No, Sgl, No),   // BE up single, left double
    Lines(Sgl, No, No, Sgl),   // BF down and left
    Lines(No, Sgl, Sgl, No),   // C0 up and right
    Lines(Sgl, Sgl, Sgl, No),  // C1 up and horizontal
    Lines(Sgl, Sgl, No, Sgl),  // C2 down and horizontal
    Lines(No, Sgl, Sgl, Sgl),  // C3 vertical and right
    Lines(Sgl, Sgl, No, No),   // C4 horizontal
    Lines(Sgl, Sgl, Sgl, Sgl), // C5 cross
    Lines(No, Dbl, Sgl, Sgl),  // C6 vertical single, right double
    Lines(No, Sgl, Dbl, Dbl),  // C7 vertical double, right single
    Lines(No, Dbl, Dbl, No),   // C8 double up and right
    Lines(No, Dbl, No, Dbl),   // C9 double down and right
    Lines(Dbl, Dbl, Dbl, No),  // CA double up and horizontal
    Lines(Dbl, Dbl, No, Dbl),  // CB double down and horizontal
    Lines(No, Dbl, Dbl, Dbl),  // CC double vertical and right
    Lines(Dbl, Dbl, No, No),   // CD double horizontal
    Lines(Dbl, Dbl, Dbl, Dbl), // CE double cross
    Lines(Dbl, Dbl, Sgl, No),  // CF up single, horizontal double
    Lines(Sgl, Sgl, Dbl, No),  // D0 up double, horizontal single
    Lines(Dbl, Dbl, No, Sgl),  // D1 down single, horizontal double
    Lines(Sgl, Sgl, No, Dbl),  // D2 down double, horizontal single
    Lines(No, Sgl, Dbl, No),   // D3 up double, right single
    Lines(No, Dbl, Sgl, No),   // D4 up single, right double
    Lines(No, Dbl, No, Sgl),   // D5 down single, right double
    Lines(No, Sgl, No, Dbl),   // D6 down double, right single
    Lines(Sgl, Sgl, Dbl, Dbl), // D7 vertical double, horizontal single
    Lines(Dbl, Dbl, Sgl, Sgl), // D8 vertical single, horizontal double
    Lines(Sgl, No, Sgl, No),   // D9 up and left
    Lines(No, Sgl, No, Sgl),   // DA down and right
    Area(TShape::Full),        // DB full block
    Area(TShape::Lower),       // DC lower half
    Area(TShape::Left),        // DD left half
    Area(TShape::Right),       // DE right half
    Area(TShape::Upper),       // DF upper half
};

// Stroke geometry of one cell. A single stroke covers [C, C + T) across the
// cell's middle; a double line is two strokes at [C - T, C) and [C + T, C + 2T)
// with a gap of one stroke between them.
struct TAxis {
    int C;
    int T;
    int Size;
};

// Extent of the horizontal strokes along x; the vertical ones are the same
// computation with the axes swapped (left/right become up/down).
struct TSpan {
    int From, To;
};

// Where the strokes of the near arm end (the arm from the low edge, left or up),
// given the arms across it. Returned per rail: [0] the single or first rail
// (low side), [1] the second rail of a double arm.
std::array<int, 2> NearArmEnd(TArm arm, TArm farArm, TArm crossLow, TArm crossHigh,
                              const TAxis& a) {
    const bool crossDouble = crossLow == Dbl || crossHigh == Dbl;
    if (arm == Sgl) {
        if (farArm == Sgl || !crossDouble)
            return {a.C + a.T, a.C + a.T};
        // Meets a double line: stops on its near rail when that line passes
        // through, else runs across both rails to close the corner.
        const int end = (crossLow == Dbl && crossHigh == Dbl) ? a.C : a.C + 2 * a.T;
        return {end, end};
    }
    if (!crossDouble)
        return {a.C + a.T, a.C + a.T};
    // Double meeting double: each rail turns into the cross line's near rail
    // where that side has an arm, else reaches its far rail (the outer corner).
    const int lowEnd = crossLow == Dbl ? a.C : a.C + 2 * a.T;
    const int highEnd = crossHigh == Dbl ? a.C : a.C + 2 * a.T;
    return {lowEnd, highEnd};
}

std::array<int, 2> FarArmStart(TArm arm, TArm nearArm, TArm crossLow, TArm crossHigh,
                               const TAxis& a) {
    const bool crossDouble = crossLow == Dbl || crossHigh == Dbl;
    if (arm == Sgl) {
        if (nearArm == Sgl || !crossDouble)
            return {a.C, a.C};
        const int start = (crossLow == Dbl && crossHigh == Dbl) ? a.C + a.T : a.C - a.T;
        return {start, start};
    }
    if (!crossDouble)
        return {a.C, a.C};
    const int lowStart = crossLow == Dbl ? a.C + a.T : a.C - a.T;
    const int highStart = crossHigh == Dbl ? a.C + a.T : a.C - a.T;
    return {lowStart, highStart};
}

// Rails of one arm across the other axis: one stroke for a single arm, two for
// a double one.
void AddArm(std::vector<QRect>& rects, TArm arm, const std::array<int, 2>& from,
            const std::array<int, 2>& to, const TAxis& across, bool horizontal) {
    auto add = [&](int pos, int a, int b) {
        if (b <= a)
            return;
        rects.push_back(horizontal ? QRect(a, pos, b - a, across.T)
                                   : QRect(pos, a, across.T, b - a));
    };
    if (arm == Sgl) {
        add(across.C, from[0], to[0]);
    } else if (arm == Dbl) {
        add(across.C - across.T, from[0], to[0]);
        add(across.C + across.T, from[1], to[1]);
    }
}

// A line along one axis: the near arm (left or up) and the far arm (right or
// down), each shaped by the arms of the other axis (crossLow is the one on the
// low side of this line: up for a horizontal line, left for a vertical one).
void AddLine(std::vector<QRect>& rects, TArm nearArm, TArm farArm, TArm crossLow, TArm crossHigh,
             const TAxis& along, const TAxis& across, bool horizontal) {
    const std::array<int, 2> zero = {0, 0};
    const std::array<int, 2> full = {along.Size, along.Size};
    if (nearArm != No)
        AddArm(rects, nearArm, zero, NearArmEnd(nearArm, farArm, crossLow, crossHigh, along),
               across, horizontal);
    if (farArm != No)
        AddArm(rects, farArm, FarArmStart(farArm, nearArm, crossLow, crossHigh, along), full,
               across, horizontal);
}

void AddShade(std::vector<QRect>& rects, TShape shape, int w, int h) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool evenX = x % 2 == 0;
            const bool evenY = y % 2 == 0;
            bool on = false;
            if (shape == TShape::Light)
                on = evenX && evenY;
            else if (shape == TShape::Medium)
                on = evenX == evenY;
            else
                on = evenX || evenY;
            if (on)
                rects.emplace_back(x, y, 1, 1);
        }
    }
}

} // namespace

bool IsBoxGlyph(std::uint8_t byte) {
    return byte >= FirstBox && byte <= LastBox;
}

int BoxStrokeWidth(int cellWidth, int cellHeight) {
    return std::max(1, std::min(cellWidth / 8, cellHeight / 16));
}

std::vector<QRect> BoxGlyphRects(std::uint8_t byte, int cellWidth, int cellHeight) {
    std::vector<QRect> rects;
    if (!IsBoxGlyph(byte) || cellWidth <= 0 || cellHeight <= 0)
        return rects;
    const int w = cellWidth;
    const int h = cellHeight;
    const TBoxShape& s = Shapes[byte - FirstBox];
    switch (s.Shape) {
    case TShape::Lines: {
        const int t = BoxStrokeWidth(w, h);
        const TAxis xAxis{(w - t) / 2, t, w};
        const TAxis yAxis{(h - t) / 2, t, h};
        AddLine(rects, s.Left, s.Right, s.Up, s.Down, xAxis, yAxis, true);
        AddLine(rects, s.Up, s.Down, s.Left, s.Right, yAxis, xAxis, false);
        break;
    }
    case TShape::Light:
    case TShape::Medium:
    case TShape::Dark:
        AddShade(rects, s.Shape, w, h);
        break;
    case TShape::Full:
        rects.emplace_back(0, 0, w, h);
        break;
    case TShape::Lower:
        rects.emplace_back(0, h / 2, w, h - h / 2);
        break;
    case TShape::Left:
        rects.emplace_back(0, 0, w / 2, h);
        break;
    case TShape::Right:
        rects.emplace_back(w / 2, 0, w - w / 2, h);
        break;
    case TShape::Upper:
        rects.emplace_back(0, 0, w, h / 2);
        break;
    }
    // Tiny cells can push the outer rails of a double line past the edge.
    const QRect cell(0, 0, w, h);
    for (QRect& r : rects)
        r = r.intersected(cell);
    std::erase_if(rects, [](const QRect& r) { return r.isEmpty(); });
    return rects;
}

} // namespace lemnar
