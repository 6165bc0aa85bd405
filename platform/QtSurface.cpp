#include "platform/QtSurface.h"

#include "platform/GlyphCache.h"

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

const QRgb* Row(const QImage& image, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
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

} // namespace

TQtSurface::TQtSurface(int width, int height) {
    Resize(width, height);
}

void TQtSurface::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Picture.width() && height == Picture.height())
        return;
    if (width == 0 || height == 0) {
        Picture = QImage();
        return;
    }
    QImage resized(width, height, QImage::Format_RGB32);
    resized.fill(QColor(Qt::black));
    const int keepW = std::min(width, Picture.width());
    const int keepH = std::min(height, Picture.height());
    for (int y = 0; y < keepH; ++y)
        std::memcpy(Row(resized, y), Row(Picture, y), sizeof(QRgb) * keepW);
    Picture = std::move(resized);
}

void TQtSurface::SetFont(const TFontSpec& f) {
    CurrentFont = f;
    Cache.reset();
}

TGlyphCache& TQtSurface::Glyphs() const {
    if (!Cache)
        Cache = TGlyphCache::Shared(CurrentFont);
    return *Cache;
}

TTextMetrics TQtSurface::TextMetrics() const {
    return Glyphs().Metrics();
}

void TQtSurface::FillRect(int x, int y, int w, int h) {
    if (!ClipToPicture(x, y, w, h, Width(), Height()))
        return;
    const QRgb colour = ToRgb(BrushRgb);
    for (int row = y; row < y + h; ++row)
        std::fill_n(Row(Picture, row) + x, w, colour);
}

void TQtSurface::TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    if (Picture.isNull() || bytes == nullptr || n == 0)
        return;
    if (ReferenceText)
        TextOutReference(x, y, bytes, n);
    else
        TextOutMasks(x, y, bytes, n);
}

void TQtSurface::TextOutMasks(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    TGlyphCache& glyphs = Glyphs();
    const int cellW = glyphs.Metrics().AveCharWidth;
    const int cellH = glyphs.Metrics().Height;
    const bool opaque = BrushFill == TBrushStyle::Solid;
    const QRgb ink = ToRgb(FontRgb);
    const QRgb paper = ToRgb(BrushRgb);
    const int rowFrom = std::max(0, -y);
    const int rowTo = std::min(cellH, Height() - y);
    for (std::size_t i = 0; i < n; ++i) {
        const long long cellX = x + static_cast<long long>(i) * cellW;
        if (cellX >= Width())
            break;
        if (cellX + cellW <= 0)
            continue;
        const int left = static_cast<int>(cellX);
        const int colFrom = std::max(0, -left);
        const int colTo = std::min(cellW, Width() - left);
        const std::uint8_t* mask = glyphs.Mask(bytes[i]);
        for (int row = rowFrom; row < rowTo; ++row) {
            QRgb* dst = Row(Picture, y + row) + left;
            const std::uint8_t* bits = mask + row * cellW;
            if (opaque) {
                for (int col = colFrom; col < colTo; ++col)
                    dst[col] = bits[col] != 0 ? ink : paper;
            } else {
                for (int col = colFrom; col < colTo; ++col) {
                    if (bits[col] != 0)
                        dst[col] = ink;
                }
            }
        }
    }
}

void TQtSurface::TextOutReference(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    TGlyphCache& glyphs = Glyphs();
    const int cellW = glyphs.Metrics().AveCharWidth;
    const int cellH = glyphs.Metrics().Height;
    QPainter painter(&Picture);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setPen(QColor::fromRgb(ToRgb(FontRgb)));
    for (std::size_t i = 0; i < n; ++i) {
        const long long cellX = x + static_cast<long long>(i) * cellW;
        if (cellX >= Width())
            break;
        if (cellX + cellW <= 0)
            continue;
        const int left = static_cast<int>(cellX);
        if (BrushFill == TBrushStyle::Solid)
            painter.fillRect(QRect(left, y, cellW, cellH), QColor::fromRgb(ToRgb(BrushRgb)));
        glyphs.PaintReference(painter, left, y, bytes[i]);
    }
}

void TQtSurface::MixSpan(int y, int x0, int x1, TColor colour) {
    QRgb* line = Row(Picture, y);
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
    if (Picture.isNull())
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
        QRgb& dst = Row(Picture, static_cast<int>(py))[px];
        dst = PenMix == TMixMode::Xor ? dst ^ bits : colour;
    }
}

void TQtSurface::WideLineTo(int x, int y) {
    const QPoint from = PenPos;
    PenPos = QPoint(x, y);
    if (Picture.isNull())
        return;
    // The stroke is rasterised once into a mask, so XOR touches each pixel
    // only once however the pen's caps and joins overlap.
    const QRect bounds = QRect(from, PenPos)
                             .normalized()
                             .adjusted(-PenSize, -PenSize, PenSize, PenSize)
                             .intersected(Picture.rect());
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
    for (int row = 0; row < bounds.height(); ++row) {
        const QRgb* bits = Row(mask, row);
        QRgb* dst = Row(Picture, bounds.top() + row) + bounds.left();
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
    if (clipR <= clipL)
        return;
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
    // Clip the source to its picture, then the destination to this one,
    // moving both corners alike.
    int srcX = sx;
    int srcY = sy;
    if (!ClipToPicture(srcX, srcY, w, h, src.Width(), src.Height()))
        return;
    dx += srcX - sx;
    dy += srcY - sy;
    int dstX = dx;
    int dstY = dy;
    if (!ClipToPicture(dstX, dstY, w, h, Width(), Height()))
        return;
    srcX += dstX - dx;
    srcY += dstY - dy;

    // The source as a separate image whenever reading it while writing could
    // see written pixels: another platform's surface, or XOR within this one.
    // A plain copy within this picture moves rows in a safe order instead.
    QImage detached;
    const QImage* from = nullptr;
    const auto* qtSource = dynamic_cast<const TQtSurface*>(&src);
    if (qtSource != nullptr && (qtSource != this || mode == TCopyMode::SrcCopy)) {
        from = &qtSource->Picture;
    } else if (qtSource != nullptr) {
        detached = Picture.copy(srcX, srcY, w, h);
        from = &detached;
        srcX = 0;
        srcY = 0;
    } else {
        detached = QImage(w, h, QImage::Format_RGB32);
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                Row(detached, row)[col] = ToRgb(src.Pixel(srcX + col, srcY + row));
        from = &detached;
        srcX = 0;
        srcY = 0;
    }

    const bool bottomUp = from == &Picture && dstY > srcY;
    for (int i = 0; i < h; ++i) {
        const int row = bottomUp ? h - 1 - i : i;
        QRgb* dst = Row(Picture, dstY + row) + dstX;
        const QRgb* s = Row(*from, srcY + row) + srcX;
        if (mode == TCopyMode::SrcCopy) {
            std::memmove(dst, s, sizeof(QRgb) * w);
        } else {
            for (int col = 0; col < w; ++col)
                dst[col] ^= s[col] & 0xFFFFFF;
        }
    }
}

TColor TQtSurface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return Row(Picture, y)[x] & 0xFFFFFF;
}

bool TQtSurface::SaveBmp(const std::string& path) const {
    if (Picture.isNull())
        return false;
    // Written to a temporary file and renamed at the end, so a failure leaves
    // no partial picture behind.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!Picture.save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace lemnar
