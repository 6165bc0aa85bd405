#include "platform/QtSurface.h"

#include "platform/GlyphCache.h"
#include "platform/PixelRows.h"

#include <QPainter>
#include <QPen>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <typeinfo>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lemnar {

namespace {

constexpr QRgb Opaque = 0xFF000000;

QRgb ToRgb(TColor c) {
    return Opaque | (c & 0xFFFFFF);
}

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

// A block store (where no ring can be made) holds this many pictures' worth
// of rows, so a picture that scrolls moves its window through the store and
// is copied back to the start only once in a while.
constexpr int StoreScreens = 4;

// Whether new pixel stores may be rings (tests turn it off to try the other).
bool RingStores = true;

} // namespace

// Each surface takes tags in large runs from one process-wide counter, so tags
// are unique in the process without an atomic operation per drawing call.
std::uint64_t TQtSurface::TakeTagRun() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(TagRun, std::memory_order_relaxed);
}

namespace {

// Operation kinds, hashed into the tags of the rows they change.
constexpr std::uint64_t FillKind = 0x46494C4C00000000u;
constexpr std::uint64_t SpanKind = 0x5350414E00000000u;
constexpr std::uint64_t TextKind = 0x5445585400000000u;
constexpr std::uint64_t CopyKind = 0x1F3C2A5B6D7E8F10u;
constexpr std::uint64_t RowStep = 0x9E3779B97F4A7C15u;

std::uint64_t Word(int v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

void TQtSurface::ResetDirtyRows() {
    DirtyRows.assign(Tags.size(), 0);
    DirtyFrom = NoDirtyRow;
    DirtyTo = 0;
}

void TQtSurface::SettleTags() const {
    if (DirtyFrom >= DirtyTo)
        return;
    const int height = DirtyTo;
    int y = DirtyFrom;
    DirtyFrom = NoDirtyRow;
    DirtyTo = 0;
    while (y < height) {
        if (DirtyRows[y] == 0) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < height && DirtyRows[end] != 0)
            ++end;
        std::memset(DirtyRows.data() + y, 0, static_cast<std::size_t>(end - y));
        Retag(y, end);
        y = end;
    }
}

void TQtSurface::DeriveTags(int y0, int y1, std::uint64_t h, int y) {
    SettleTags();
    if (y1 > y0)
        pixelrows::DeriveTags(Tags.data() + y0, y1 - y0,
                              h + static_cast<std::uint64_t>(y0 - y) * RowStep, RowStep);
}

std::uint64_t TQtSurface::FillTag(QRgb colour) const {
    return MixTag(FillKind ^ (Word(Stride) << 24) ^ (colour & 0xFFFFFF));
}

namespace {

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

// Rows of pixels that pictures point into. A QImage made on a store holds it
// alive, so a copy of the picture that outlives the surface stays valid.
//
// Where the system allows, the store is a ring: its pages are mapped twice,
// one copy right after the other, so a picture whose window runs past the
// end goes on in the first rows without a break, and scrolling never has to
// move the picture back to the start. The ring is barely larger than the
// picture, which keeps the rows a scroll writes in the processor's caches.
// Elsewhere it is a plain block a few pictures tall.
struct TQtSurface::TStore {
    TStore(int width, int height) {
        if (RingStores && MapRing(width, height))
            return;
        Rows = height * StoreScreens;
        Data.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(Rows), Opaque);
        Base = Data.data();
    }
    ~TStore() {
#if defined(__linux__)
        if (Ring)
            munmap(Base, 2 * Bytes);
#endif
    }
    TStore(const TStore&) = delete;
    TStore& operator=(const TStore&) = delete;

    QRgb* Base = nullptr;
    int Rows = 0;
    bool Ring = false;

  private:
    bool MapRing(int width, int height) {
#if defined(__linux__)
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t rowBytes = sizeof(QRgb) * static_cast<std::size_t>(width);
        if (page == 0 || rowBytes == 0)
            return false;
        // The fewest rows, at least the picture's, that fill whole pages.
        const std::size_t step = page / std::gcd(rowBytes, page);
        const std::size_t rows = (static_cast<std::size_t>(height) + step - 1) / step * step;
        Bytes = rows * rowBytes;
        const int fd = memfd_create("lemnar-picture", MFD_CLOEXEC);
        if (fd < 0)
            return false;
        void* area = MAP_FAILED;
        if (ftruncate(fd, static_cast<off_t>(Bytes)) == 0)
            area = mmap(nullptr, 2 * Bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        bool mapped = area != MAP_FAILED;
        for (std::size_t half = 0; mapped && half < 2; ++half) {
            void* at = static_cast<char*>(area) + half * Bytes;
            mapped = mmap(at, Bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0) == at;
        }
        close(fd);
        if (!mapped) {
            if (area != MAP_FAILED)
                munmap(area, 2 * Bytes);
            return false;
        }
        Base = static_cast<QRgb*>(area);
        Rows = static_cast<int>(rows);
        Ring = true;
        std::fill_n(Base, rows * static_cast<std::size_t>(width), Opaque);
        return true;
#else
        (void)width;
        (void)height;
        return false;
#endif
    }

    std::vector<QRgb> Data;
    std::size_t Bytes = 0;
};

namespace {

void ReleaseStore(void* info) {
    delete static_cast<std::shared_ptr<void>*>(info);
}

} // namespace

TQtSurface::TQtSurface(int width, int height) {
    Resize(width, height);
}

TQtSurface::TQtSurface(const TQtSurface& other) {
    *this = other;
}

TQtSurface& TQtSurface::operator=(const TQtSurface& other) {
    if (this == &other)
        return *this;
    BrushRgb = other.BrushRgb;
    BrushFill = other.BrushFill;
    PenRgb = other.PenRgb;
    PenSize = other.PenSize;
    PenMix = other.PenMix;
    FontRgb = other.FontRgb;
    CurrentFont = other.CurrentFont;
    PenPos = other.PenPos;
    ReferenceText = other.ReferenceText;
    ReferenceCopy = other.ReferenceCopy;
    Cache = other.Cache;
    // Same pixels, same tags; new tags come from a run of this surface's own.
    other.SettleTags();
    Tags = other.Tags;
    ResetDirtyRows();
    NextTag = 0;
    TagEnd = 0;
    Stride = other.Stride;
    Top = 0;
    if (other.Store == nullptr) {
        Store.reset();
        Pixels = nullptr;
        Picture = QImage();
        return *this;
    }
    StoreCopyOf(other.Pixels);
    return *this;
}

void TQtSurface::StoreCopyOf(const QRgb* pixels) {
    auto own = std::make_shared<TStore>(Stride, static_cast<int>(Tags.size()));
    std::memcpy(own->Base, pixels, sizeof(QRgb) * Stride * Tags.size());
    Store = std::move(own);
    Top = 0;
    Rebuild();
}

bool TQtSurface::UseRingStores(bool wanted) {
    const bool was = RingStores;
    RingStores = wanted;
    return was;
}

void TQtSurface::Rebuild() {
    Pixels = Store->Base + static_cast<std::ptrdiff_t>(Top) * Stride;
    Picture = QImage(reinterpret_cast<uchar*>(Pixels), Stride, static_cast<int>(Tags.size()),
                     static_cast<qsizetype>(Stride) * static_cast<qsizetype>(sizeof(QRgb)),
                     QImage::Format_RGB32, ReleaseStore, new std::shared_ptr<void>(Store));
}

void TQtSurface::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height())
        return;
    if (width == 0 || height == 0) {
        Picture = QImage();
        Store.reset();
        Pixels = nullptr;
        Stride = 0;
        Top = 0;
        Tags.clear();
        ResetDirtyRows();
        return;
    }
    auto resized = std::make_shared<TStore>(width, height);
    const int keepW = std::min(width, Width());
    const int keepH = std::min(height, Height());
    for (int y = 0; y < keepH; ++y)
        std::memcpy(resized->Base + static_cast<std::ptrdiff_t>(y) * width, RowAt(y),
                    sizeof(QRgb) * keepW);
    Store = std::move(resized);
    Stride = width;
    Top = 0;
    Tags.assign(static_cast<std::size_t>(height), 0);
    ResetDirtyRows();
    Retag(0, height);
    Rebuild();
}

void TQtSurface::BeginWrite() {
    if (Pixels == nullptr || Picture.isDetached())
        return;
    // Someone holds a copy of the picture: leave the store to it.
    StoreCopyOf(Pixels);
}

void TQtSurface::Slide(int k) {
    SettleTags();
    const int height = Height();
    if (Store->Ring) {
        Top = (Top + k) % Store->Rows;
    } else {
        if (Top + k + height > Store->Rows) {
            std::memmove(Store->Base, Pixels, sizeof(QRgb) * Stride * height);
            Top = 0;
        }
        Top += k;
    }
    std::copy(Tags.begin() + k, Tags.end(), Tags.begin());
    std::fill(Tags.end() - k, Tags.end(), 0);
    Rebuild();
}

void TQtSurface::MoveRows(int dstY, int srcY, int h) {
    SettleTags();
    const int height = Height();
    const int k = srcY - dstY;
    if (dstY == 0 && k > 0 && srcY + h == height && 2 * k <= height) {
        // The whole picture up by k rows: move the window, then put back the
        // bottom k rows, which the copy leaves as they were.
        Slide(k);
        std::memcpy(RowAt(height - k), RowAt(height - 2 * k), sizeof(QRgb) * Stride * k);
        std::copy_n(Tags.begin() + (height - 2 * k), k, Tags.begin() + (height - k));
        return;
    }
    for (int i = 0; i < h; ++i) {
        const int row = k < 0 ? h - 1 - i : i;
        std::memmove(RowAt(dstY + row), RowAt(srcY + row), sizeof(QRgb) * Stride);
        Tags[dstY + row] = Tags[srcY + row];
    }
}

void TQtSurface::LineUpWith(const TQtSurface& src) {
    // When the source has scrolled since this picture last took it, its
    // first row is further down here. Rows filled whole with one colour share
    // a tag, so a match of the first row alone can be a false lead: each
    // candidate move is judged by how many rows it lines up.
    const int height = Height();
    const auto matches = [&](int k) {
        int n = 0;
        for (int i = 0; i + k < height; ++i)
            n += Tags[i + k] == src.Tags[i] && src.Tags[i] != 0;
        return n;
    };
    constexpr int MaxCandidates = 4;
    int best = 0;
    int bestMatches = matches(0);
    int tried = 0;
    for (int k = 1; k < height && tried < MaxCandidates; ++k) {
        if (Tags[k] != src.Tags[0] || src.Tags[0] == 0)
            continue;
        ++tried;
        const int n = matches(k);
        if (n > bestMatches) {
            best = k;
            bestMatches = n;
        }
    }
    if (best > 0)
        Slide(best);
}

void TQtSurface::CopyRows(int dstY, const TQtSurface& src, int srcY, int h) {
    SettleTags();
    src.SettleTags();
    const int height = Height();
    if (dstY == 0 && srcY == 0 && h == height && h == src.Height() && Tags[0] != src.Tags[0])
        LineUpWith(src);
    for (int i = 0; i < h; ++i) {
        const std::uint64_t tag = src.Tags[srcY + i];
        if (Tags[dstY + i] == tag && tag != 0)
            continue;
        std::memcpy(RowAt(dstY + i), src.RowAt(srcY + i), sizeof(QRgb) * Stride);
        Tags[dstY + i] = src.Tags[srcY + i];
    }
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
    BeginWrite();
    const QRgb colour = ToRgb(BrushRgb);
    pixelrows::FillRows(RowAt(y) + x, Stride, w, h, colour);
    if (w == Stride) {
        std::fill_n(Tags.begin() + y, h, FillTag(colour));
        std::memset(DirtyRows.data() + y, 0, static_cast<std::size_t>(h));
        return;
    }
    DeriveTags(y, y + h, MixTag(MixTag(SpanKind ^ (Word(x) << 32) ^ Word(w)) ^ (colour & 0xFFFFFF)),
               y);
}

void TQtSurface::TextOut(int x, int y, const std::uint8_t* bytes, std::size_t n) {
    if (n != 0 && Cache && GlyphWidth == 8 && !ReferenceText && x >= 0 && x <= Stride &&
        n <= static_cast<std::size_t>(Stride - x) / 8 && y >= 0 && y <= Height() - GlyphHeight)
        [[likely]] {
        // Whole cells inside the picture, the usual case. Their rows take
        // fresh tags when tags are next looked at.
        BeginWrite();
        QRgb* dst = RowAt(y) + x;
        const QRgb ink = ToRgb(FontRgb);
        const QRgb paper = ToRgb(BrushRgb);
        const bool opaque = BrushFill == TBrushStyle::Solid;
        for (std::size_t i = 0; i < n; ++i, dst += 8)
            pixelrows::Glyph8(dst, Stride, Cache->WideMask(bytes[i]), GlyphHeight, ink, paper,
                              opaque);
        std::memset(DirtyRows.data() + y, 1, static_cast<std::size_t>(GlyphHeight));
        DirtyFrom = std::min(DirtyFrom, y);
        DirtyTo = std::max(DirtyTo, y + GlyphHeight);
        return;
    }
    if (Pixels == nullptr || bytes == nullptr || n == 0)
        return;
    TGlyphCache& glyphs = Glyphs();
    const TTextMetrics cell = glyphs.Metrics();
    const int y0 = std::max(y, 0);
    const int y1 = std::min<long long>(static_cast<long long>(y) + cell.Height, Height());
    if (y1 <= y0)
        return;
    BeginWrite();
    if (ReferenceText) {
        TextOutReference(x, y, bytes, n);
    } else {
        TextOutMasks(x, y, bytes, n);
    }
    // A row of text is decided by its row in the glyphs, the glyphs and
    // where they start, the colours and whether the paper is painted.
    const bool opaque = BrushFill == TBrushStyle::Solid;
    const std::uint64_t salt =
        (glyphs.Serial() << 40) ^ (Word(Stride) << 8) ^ (ReferenceText ? 1 : 0);
    if (salt != TextSaltOf) {
        TextSaltOf = salt;
        TextSalt = MixTag(TextKind ^ salt);
    }
    // One byte, the usual case, goes into the first word; longer text is
    // hashed 8 bytes at a time after it.
    const std::uint64_t single = n == 1 ? (std::uint64_t{bytes[0]} << 8) | 2 : 0;
    std::uint64_t h = MixTag(TextSalt ^ (Word(x) << 32) ^ single ^ (opaque ? 1 : 0));
    if (n != 1) {
        h = MixTag(h ^ n);
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, bytes + i, 8);
            h = MixTag(h ^ chunk);
        }
        std::uint64_t rest = 0;
        for (; i < n; ++i)
            rest = (rest << 8) | bytes[i];
        h = MixTag(h ^ rest);
    }
    h = MixTag(h ^ (static_cast<std::uint64_t>(FontRgb) << 24) ^ (opaque ? BrushRgb : 0));
    DeriveTags(y0, y1, h, y);
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
    if (rowTo <= rowFrom)
        return;
    const int rows = rowTo - rowFrom;
    for (std::size_t i = 0; i < n; ++i) {
        const long long cellX = x + static_cast<long long>(i) * cellW;
        if (cellX >= Width())
            break;
        if (cellX + cellW <= 0)
            continue;
        const int left = static_cast<int>(cellX);
        const int colFrom = std::max(0, -left);
        const int colTo = std::min(cellW, Width() - left);
        const std::uint32_t* bits = glyphs.WideMask(bytes[i]) + rowFrom * cellW;
        QRgb* dst = RowAt(y + rowFrom) + left;
        if (cellW == 8 && colFrom == 0 && colTo == 8) {
            pixelrows::Glyph8(dst, Stride, bits, rows, ink, paper, opaque);
            continue;
        }
        for (int row = 0; row < rows; ++row, dst += Stride, bits += cellW) {
            if (opaque) {
                for (int col = colFrom; col < colTo; ++col)
                    dst[col] = (bits[col] & ink) | (~bits[col] & paper);
            } else {
                for (int col = colFrom; col < colTo; ++col)
                    dst[col] = (bits[col] & ink) | (~bits[col] & dst[col]);
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
    QRgb* line = RowAt(y);
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
    if (first > last)
        return;
    BeginWrite();
    // The rows the visited steps can reach.
    const long long yFrom = std::min<long long>(from.y(), y);
    const long long yTo = std::max<long long>(from.y(), y);
    Retag(static_cast<int>(std::clamp<long long>(yFrom, 0, Height())),
          static_cast<int>(std::clamp<long long>(yTo + 1, 0, Height())));
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
        QRgb& dst = RowAt(static_cast<int>(py))[px];
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
    BeginWrite();
    Retag(bounds.top(), bounds.bottom() + 1);
    for (int row = 0; row < bounds.height(); ++row) {
        const QRgb* bits = Row(mask, row);
        QRgb* dst = RowAt(bounds.top() + row) + bounds.left();
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
    BeginWrite();
    Retag(y0, y1);
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
    const auto* qtSource =
        typeid(src) == typeid(TQtSurface) ? static_cast<const TQtSurface*>(&src) : nullptr;
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

    BeginWrite();
    if (qtSource != nullptr && qtSource != this) {
        if (mode == TCopyMode::SrcCopy && !ReferenceCopy && dstX == 0 && srcX == 0 &&
            w == Width() && w == srcWidth) {
            CopyRows(dstY, *qtSource, srcY, h);
            return;
        }
        CopyFrom(dstX, dstY, w, h, *qtSource, srcX, srcY, mode);
        return;
    }
    if (qtSource != nullptr && mode == TCopyMode::SrcCopy && !ReferenceCopy && dstX == 0 &&
        srcX == 0 && w == Width()) {
        MoveRows(dstY, srcY, h);
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
                std::memcpy(to, RowAt(srcY + row) + srcX, sizeof(QRgb) * w);
                continue;
            }
            for (int col = 0; col < w; ++col)
                to[col] = ToRgb(src.Pixel(srcX + col, srcY + row));
        }
    }
    const bool bottomUp = detached.empty() && dstY > srcY;
    for (int i = 0; i < h; ++i) {
        const int row = bottomUp ? h - 1 - i : i;
        QRgb* dst = RowAt(dstY + row) + dstX;
        const QRgb* s = detached.empty() ? RowAt(srcY + row) + srcX
                                         : detached.data() + static_cast<std::ptrdiff_t>(row) * w;
        if (mode == TCopyMode::SrcCopy) {
            std::memmove(dst, s, sizeof(QRgb) * w);
        } else {
            for (int col = 0; col < w; ++col)
                dst[col] ^= s[col] & 0xFFFFFF;
        }
    }
    Retag(dstY, dstY + h);
}

void TQtSurface::CopyFrom(int dstX, int dstY, int w, int h, const TQtSurface& src, int srcX,
                          int srcY, TCopyMode mode) {
    SettleTags();
    src.SettleTags();
    QRgb* dst = RowAt(dstY) + dstX;
    const QRgb* from = src.RowAt(srcY) + srcX;
    if (mode == TCopyMode::SrcCopy) {
        for (int row = 0; row < h; ++row, dst += Stride, from += src.Stride)
            std::memcpy(dst, from, sizeof(QRgb) * w);
    } else {
        pixelrows::XorRows(dst, Stride, from, src.Stride, w, h);
    }
    // Each row is its content before with a span replaced by, or XOR-ed with,
    // a span of the source row, whose tag is a hash already: one mixing step
    // ties it to where the spans lie. An XOR changes the tag by XOR too, so
    // the same XOR twice gives the tag back. dstX, srcX and w are clipped, so
    // never negative: bit 63 is free for the mode, and small spans pack into
    // one word.
    const std::uint64_t kind = CopyKind | (mode == TCopyMode::SrcXor ? std::uint64_t{1} << 63 : 0);
    const std::uint64_t spans =
        srcX < 0x10000 && w < 0x10000
            ? kind ^ (Word(dstX) << 32) ^ (Word(srcX) << 16) ^ Word(w)
            : MixTag(MixTag(MixTag(~kind ^ Word(dstX)) ^ Word(srcX)) ^ Word(w));
    std::uint64_t lastSource = 0;
    std::uint64_t hashed = 0;
    for (int row = 0; row < h; ++row) {
        const std::uint64_t srcTag = src.Tags[srcY + row];
        std::uint64_t& tag = Tags[dstY + row];
        if (srcTag == 0) {
            Retag(dstY + row, dstY + row + 1);
            continue;
        }
        if (row == 0 || srcTag != lastSource) {
            lastSource = srcTag;
            hashed = MixTag(spans ^ srcTag);
        }
        tag = mode == TCopyMode::SrcXor ? tag ^ hashed : pixelrows::StepTag(tag, hashed);
    }
}

void TQtSurface::ScrollUpAndFill(int rows) {
    const int height = Height();
    if (ReferenceCopy || rows <= 0 || 2 * rows > height) {
        TDrawSurface::ScrollUpAndFill(rows);
        return;
    }
    BeginWrite();
    // The rows that come in are filled at once, so the copy never needs to
    // put back what it would have left there.
    Slide(rows);
    FillRect(0, height - rows, Stride, rows);
}

bool TQtSurface::SamePicture(const TDrawSurface& other) {
    if (typeid(other) != typeid(TQtSurface))
        return false;
    const auto& q = static_cast<const TQtSurface&>(other);
    if (&q == this)
        return true;
    if (q.Stride != Stride || q.Tags.size() != Tags.size())
        return false;
    SettleTags();
    q.SettleTags();
    for (std::size_t y = 0; y < Tags.size(); ++y) {
        const std::uint64_t tag = q.Tags[y];
        if (Tags[y] == tag && tag != 0)
            continue;
        const int row = static_cast<int>(y);
        if (std::memcmp(RowAt(row), q.RowAt(row), sizeof(QRgb) * Stride) != 0)
            return false;
        // Equal pixels: the tag names this row as well.
        Tags[y] = tag;
    }
    return true;
}

TColor TQtSurface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    return RowAt(y)[x] & 0xFFFFFF;
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
