#include "platform/QtSurface.h"

#include "platform/GlyphCache.h"
#include "platform/PixelRows.h"

#include <QPainter>
#include <QPen>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lemnar {

namespace {

constexpr QRgb Opaque = 0xFF000000;

QRgb ToRgb(TColor c) {
    return Opaque | (c & 0xFFFFFF);
}

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

// Clips a w x h area at (x, y) to a width x height picture; false when nothing
// is left.
bool ClipToPicture(int& x, int& y, int& w, int& h, int width, int height) {
    const long long x0 = std::max<long long>(x, 0);
    const long long y0 = std::max<long long>(y, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(x) + w, width);
    const long long y1 = std::min<long long>(static_cast<long long>(y) + h, height);
    if (x1 <= x0 || y1 <= y0)
        return false;
    x = static_cast<int>(x0);
    y = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0);
    h = static_cast<int>(y1 - y0);
    return true;
}

// The run of n glyph cells cellW pixels wide from column x, clipped to a
// picture width pixels wide: calls paint(i, left, colFrom, colTo) for each
// cell i that reaches into the picture, left to right, where left is the
// cell's first column and [colFrom, colTo) are its own columns inside.
template <typename PaintCell>
void EachCellInside(int x, std::size_t n, int cellW, int width, PaintCell&& paint) {
    for (std::size_t i = 0; i < n; ++i) {
        const long long cellX = x + static_cast<long long>(i) * cellW;
        if (cellX >= width)
            break;
        if (cellX + cellW <= 0)
            continue;
        const int left = static_cast<int>(cellX);
        paint(i, left, std::max(0, -left), std::min(cellW, width - left));
    }
}

} // namespace

TQtSurface::TQtSurface(int width, int height) {
    Resize(width, height);
}

bool TQtSurface::UseRingStores(bool wanted) {
    return TPixelStore::UseRings(wanted);
}

void TQtSurface::Resize(int width, int height) {
    Store.Resize(width, height);
}

void TQtSurface::SetFont(const TFontSpec& f) {
    CurrentFont = f;
    Cache.reset();
}

void TQtSurface::LoadGlyphs() const {
    Cache = TGlyphCache::Shared(CurrentFont);
    GlyphWidth = Cache->Metrics().AveCharWidth;
    GlyphHeight = Cache->Metrics().Height;
}

TTextMetrics TQtSurface::TextMetrics() const {
    return Glyphs().Metrics();
}

void TQtSurface::FillRect(int x, int y, int w, int h) {
    if (!ClipToPicture(x, y, w, h, Width(), Height()))
        return;
    Store.BeginWrite();
    const QRgb colour = ToRgb(BrushRgb);
    pixelrows::FillRows(Store.Row(y) + x, Store.Width(), w, h, colour);
}

void TQtSurface::TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    if (n != 0 && Cache && GlyphWidth == 8 && !ReferenceText && x >= 0 && x <= Store.Width() &&
        n <= static_cast<std::size_t>(Store.Width() - x) / 8 && y >= 0 &&
        y <= Height() - GlyphHeight) [[likely]] {
        // Whole cells 8 pixels wide inside the picture, the usual case.
        Store.BeginWrite();
        QRgb* dst = Store.Row(y) + x;
        const QRgb ink = ToRgb(FontRgb);
        const QRgb paper = ToRgb(BrushRgb);
        const bool opaque = BrushFill == TBrushStyle::Solid;
        for (std::size_t i = 0; i < n; ++i, dst += 8)
            pixelrows::Glyph8(dst, Store.Width(), Cache->WideMask(bytes[i]), GlyphHeight, ink,
                              paper, opaque);
        return;
    }
    if (Store.Empty() || bytes == nullptr || n == 0)
        return;
    const TTextMetrics cell = Glyphs().Metrics();
    const int y0 = std::max(y, 0);
    const int y1 = std::min<long long>(static_cast<long long>(y) + cell.Height, Height());
    if (y1 <= y0)
        return;
    Store.BeginWrite();
    if (ReferenceText) {
        TextOutReference(x, y, bytes, n);
    } else {
        TextOutMasks(x, y, bytes, n);
    }
}

void TQtSurface::TextOutMasks(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    TGlyphCache& glyphs = Glyphs();
    const int cellW = glyphs.Metrics().AveCharWidth;
    const bool opaque = BrushFill == TBrushStyle::Solid;
    const QRgb ink = ToRgb(FontRgb);
    const QRgb paper = ToRgb(BrushRgb);
    // The cells' rows inside the picture.
    const int rowFrom = std::max(0, -y);
    const int rows = std::min(glyphs.Metrics().Height, Height() - y) - rowFrom;
    EachCellInside(x, n, cellW, Width(), [&](std::size_t i, int left, int colFrom, int colTo) {
        const std::uint32_t* bits = glyphs.WideMask(bytes[i]) + rowFrom * cellW;
        QRgb* dst = Store.Row(y + rowFrom) + left;
        if (cellW == 8 && colFrom == 0 && colTo == 8) {
            pixelrows::Glyph8(dst, Store.Width(), bits, rows, ink, paper, opaque);
            return;
        }
        for (int row = 0; row < rows; ++row, dst += Store.Width(), bits += cellW) {
            if (opaque) {
                for (int col = colFrom; col < colTo; ++col)
                    dst[col] = (bits[col] & ink) | (~bits[col] & paper);
            } else {
                for (int col = colFrom; col < colTo; ++col)
                    dst[col] = (bits[col] & ink) | (~bits[col] & dst[col]);
            }
        }
    });
}

void TQtSurface::TextOutReference(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    TGlyphCache& glyphs = Glyphs();
    const int cellW = glyphs.Metrics().AveCharWidth;
    const int cellH = glyphs.Metrics().Height;
    QPainter painter(&Store.Image());
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setPen(QColor::fromRgb(ToRgb(FontRgb)));
    EachCellInside(x, n, cellW, Width(), [&](std::size_t i, int left, int, int) {
        if (BrushFill == TBrushStyle::Solid)
            painter.fillRect(QRect(left, y, cellW, cellH), QColor::fromRgb(ToRgb(BrushRgb)));
        glyphs.PaintReference(painter, left, y, bytes[i]);
    });
}

void TQtSurface::MixSpan(int y, int x0, int x1, TColor colour) {
    QRgb* line = Store.Row(y);
    if (PenMix == TMixMode::Xor) {
        const QRgb bits = colour & 0xFFFFFF;
        for (int x = x0; x < x1; ++x)
            line[x] ^= bits;
    } else {
        std::fill(line + x0, line + x1, ToRgb(colour));
    }
}

void TQtSurface::LineTo(int x, int y) {
    if (PenSize > 1) {
        WideLineTo(x, y);
        return;
    }
    const QPoint from = PenPos;
    PenPos = QPoint(x, y);
    if (Store.Image().isNull())
        return;
    // Closed form of the midpoint line: step i along the major axis moves
    // round(i * minor / major) along the minor one, so only the steps that land
    // inside the picture need visiting. Step `major` is the end point, which
    // stays unpainted.
    const long long dx = static_cast<long long>(x) - from.x();
    const long long dy = static_cast<long long>(y) - from.y();
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const long long minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const long long majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const long long minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long majorStart = xMajor ? from.x() : from.y();
    const long long minorStart = xMajor ? from.y() : from.x();
    const long long majorLimit = xMajor ? Width() : Height();
    // Steps whose major coordinate lies in [0, majorLimit).
    long long first = majorStep > 0 ? -majorStart : majorStart - (majorLimit - 1);
    long long last = majorStep > 0 ? majorLimit - 1 - majorStart : majorStart;
    first = std::max(first, 0LL);
    last = std::min(last, major - 1);
    if (first > last)
        return;
    Store.BeginWrite();
    const QRgb bits = PenRgb & 0xFFFFFF;
    const QRgb colour = ToRgb(PenRgb);
    for (long long i = first; i <= last; ++i) {
        const long long offset = major == 0 ? 0 : (2 * i * minor + major) / (2 * major);
        const long long a = majorStart + majorStep * i;
        const long long b = minorStart + minorStep * offset;
        const long long px = xMajor ? a : b;
        const long long py = xMajor ? b : a;
        if (px < 0 || py < 0 || px >= Width() || py >= Height())
            continue;
        QRgb& dst = Store.Row(static_cast<int>(py))[px];
        dst = PenMix == TMixMode::Xor ? dst ^ bits : colour;
    }
}

void TQtSurface::WideLineTo(int x, int y) {
    const QPoint from = PenPos;
    PenPos = QPoint(x, y);
    if (Store.Image().isNull())
        return;
    // The stroke is rasterised once into a mask, so XOR touches each pixel
    // only once however the pen's caps and joins overlap.
    const QRect bounds = QRect(from, PenPos)
                             .normalized()
                             .adjusted(-PenSize, -PenSize, PenSize, PenSize)
                             .intersected(Store.Image().rect());
    if (bounds.isEmpty())
        return;
    QImage mask(bounds.size(), QImage::Format_RGB32);
    mask.fill(QColor(Qt::black));
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::white, PenSize, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(from - bounds.topLeft(), PenPos - bounds.topLeft());
    }
    Store.BeginWrite();
    for (int row = 0; row < bounds.height(); ++row) {
        const QRgb* bits = Row(mask, row);
        QRgb* dst = Store.Row(bounds.top() + row) + bounds.left();
        for (int col = 0; col < bounds.width(); ++col) {
            if ((bits[col] & 0xFFFFFF) == 0)
                continue;
            dst[col] = PenMix == TMixMode::Xor ? dst[col] ^ (PenRgb & 0xFFFFFF) : ToRgb(PenRgb);
        }
    }
}

void TQtSurface::Rectangle(int left, int top, int right, int bottom) {
    const int l = std::min(left, right);
    const int r = std::max(left, right);
    const int t = std::min(top, bottom);
    const int b = std::max(top, bottom);
    // Each pixel of [l, r) x [t, b) is either outline (within PenSize of an
    // edge) or interior, never both.
    const int pen = PenSize;
    const bool fill = BrushFill == TBrushStyle::Solid;
    const int y0 = std::max(t, 0);
    const int y1 = std::min(b, Height());
    const int clipL = std::max(l, 0);
    const int clipR = std::min(r, Width());
    if (clipR <= clipL || y1 <= y0)
        return;
    Store.BeginWrite();
    for (int y = y0; y < y1; ++y) {
        if (y - t < pen || b - 1 - y < pen) {
            MixSpan(y, clipL, clipR, PenRgb);
            continue;
        }
        const int innerL = std::min(l + pen, r);
        const int innerR = std::max(r - pen, innerL);
        MixSpan(y, clipL, std::clamp(innerL, clipL, clipR), PenRgb);
        if (fill)
            MixSpan(y, std::clamp(innerL, clipL, clipR), std::clamp(innerR, clipL, clipR),
                    BrushRgb);
        MixSpan(y, std::clamp(innerR, clipL, clipR), clipR, PenRgb);
    }
}

void TQtSurface::CopyRect(int dx, int dy, int w, int h, const TDrawSurface& src, int sx, int sy,
                          TCopyMode mode) {
    // Surfaces of this class are read straight; another class pixel by pixel.
    const auto* qtSource = dynamic_cast<const TQtSurface*>(&src);
    // Clip the source to its picture, then the destination to this one,
    // moving both corners alike.
    int srcX = sx;
    int srcY = sy;
    const int srcWidth = qtSource != nullptr ? qtSource->Width() : src.Width();
    const int srcHeight = qtSource != nullptr ? qtSource->Height() : src.Height();
    if (!ClipToPicture(srcX, srcY, w, h, srcWidth, srcHeight))
        return;
    dx += srcX - sx;
    dy += srcY - sy;
    int dstX = dx;
    int dstY = dy;
    if (!ClipToPicture(dstX, dstY, w, h, Width(), Height()))
        return;
    srcX += dstX - dx;
    srcY += dstY - dy;

    Store.BeginWrite();
    if (qtSource != nullptr && qtSource != this) {
        CopyFrom(dstX, dstY, w, h, *qtSource, srcX, srcY, mode);
        return;
    }
    if (qtSource != nullptr && mode == TCopyMode::SrcCopy && !ReferenceCopy && dstX == 0 &&
        srcX == 0 && w == Width()) {
        Store.MoveRows(dstY, srcY, h);
        return;
    }

    // The source as a separate block whenever reading it while writing could
    // see written pixels: another platform's surface, or XOR within this one.
    // A plain copy within this picture moves rows in a safe order instead.
    std::vector<QRgb> detached;
    if (qtSource == nullptr || mode == TCopyMode::SrcXor) {
        detached.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int row = 0; row < h; ++row) {
            QRgb* to = detached.data() + static_cast<std::ptrdiff_t>(row) * w;
            if (qtSource != nullptr) {
                std::memcpy(to, Store.Row(srcY + row) + srcX, sizeof(QRgb) * w);
                continue;
            }
            for (int col = 0; col < w; ++col)
                to[col] = ToRgb(src.Pixel(srcX + col, srcY + row));
        }
    }
    const bool bottomUp = detached.empty() && dstY > srcY;
    for (int i = 0; i < h; ++i) {
        const int row = bottomUp ? h - 1 - i : i;
        QRgb* dst = Store.Row(dstY + row) + dstX;
        const QRgb* s = detached.empty() ? Store.Row(srcY + row) + srcX
                                         : detached.data() + static_cast<std::ptrdiff_t>(row) * w;
        if (mode == TCopyMode::SrcCopy) {
            std::memmove(dst, s, sizeof(QRgb) * w);
        } else {
            for (int col = 0; col < w; ++col)
                dst[col] ^= s[col] & 0xFFFFFF;
        }
    }
}

void TQtSurface::CopyFrom(int dstX, int dstY, int w, int h, const TQtSurface& src, int srcX,
                          int srcY, TCopyMode mode) {
    QRgb* dst = Store.Row(dstY) + dstX;
    const QRgb* from = src.Store.Row(srcY) + srcX;
    if (mode == TCopyMode::SrcXor) {
        pixelrows::XorRows(dst, Store.Width(), from, src.Store.Width(), w, h);
        return;
    }
    if (dstX == 0 && w == Store.Width() && w == src.Store.Width()) {
        std::memcpy(dst, from, sizeof(QRgb) * Store.Width() * static_cast<std::size_t>(h));
        return;
    }
    for (int row = 0; row < h; ++row, dst += Store.Width(), from += src.Store.Width())
        std::memcpy(dst, from, sizeof(QRgb) * w);
}

void TQtSurface::ScrollUp(int rows) {
    if (ReferenceCopy || rows <= 0 || rows >= Height()) {
        TDrawSurface::ScrollUp(rows);
        return;
    }
    Store.BeginWrite();
    Store.Slide(rows);
}

TColor TQtSurface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return Store.Row(y)[x] & 0xFFFFFF;
}

bool TQtSurface::SaveBmp(const std::string& path) const {
    if (Store.Image().isNull())
        return false;
    // Written to a temporary file and renamed at the end, so a failure leaves
    // no partial picture behind.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!Store.Image().save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace lemnar
