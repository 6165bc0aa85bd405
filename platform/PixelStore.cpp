#include "platform/PixelStore.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lemnar {

namespace {

constexpr QRgb OpaqueBlack = 0xFF000000;

// A block store (where no ring can be made) holds this many pictures' worth
// of rows, so a picture that scrolls moves its window through the store and
// is copied back to the start only once in a while.
constexpr int StoreScreens = 4;

// Whether new stores may be rings (tests turn it off to try the other).
bool RingStores = true;

void ReleaseRows(void* info) {
    delete static_cast<std::shared_ptr<void>*>(info);
}

} // namespace

// Rows of pixels that pictures point into. A QImage made on them holds them
// alive, so a copy of the picture that outlives the store stays valid.
//
// Where the system allows, the rows are a ring: their pages are mapped twice,
// one copy right after the other, so a picture whose window runs past the
// end goes on in the first rows without a break, and scrolling never has to
// move the picture back to the start. The ring is barely larger than the
// picture, which keeps the rows a scroll writes in the processor's caches.
// Elsewhere they are a plain block a few pictures tall.
struct TPixelStore::TRows {
    TRows(int width, int height) {
        if (RingStores && MapRing(width, height))
            return;
        Rows = height * StoreScreens;
        Data.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(Rows), OpaqueBlack);
        Base = Data.data();
    }
    ~TRows() {
#if defined(__linux__)
        if (Ring)
            munmap(Base, 2 * Bytes);
#endif
    }
    TRows(const TRows&) = delete;
    TRows& operator=(const TRows&) = delete;

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
        std::fill_n(Base, rows * static_cast<std::size_t>(width), OpaqueBlack);
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

TPixelStore::TPixelStore(const TPixelStore& other) {
    *this = other;
}

TPixelStore& TPixelStore::operator=(const TPixelStore& other) {
    if (this == &other)
        return *this;
    Rows = other.Rows;
    Stride = other.Stride;
    Top = 0;
    if (other.Store == nullptr) {
        Store.reset();
        Pixels = nullptr;
        Picture = QImage();
        return *this;
    }
    CopyOf(other.Pixels);
    return *this;
}

bool TPixelStore::UseRings(bool wanted) {
    const bool was = RingStores;
    RingStores = wanted;
    return was;
}

void TPixelStore::CopyOf(const QRgb* pixels) {
    auto own = std::make_shared<TRows>(Stride, Rows);
    std::memcpy(own->Base, pixels, sizeof(QRgb) * Stride * Rows);
    Store = std::move(own);
    Top = 0;
    Rebuild();
}

void TPixelStore::Rebuild() {
    Pixels = Store->Base + static_cast<std::ptrdiff_t>(Top) * Stride;
    Picture = QImage(reinterpret_cast<uchar*>(Pixels), Stride, Rows,
                     static_cast<qsizetype>(Stride) * static_cast<qsizetype>(sizeof(QRgb)),
                     QImage::Format_RGB32, ReleaseRows, new std::shared_ptr<void>(Store));
}

void TPixelStore::Resize(int width, int height) {
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
        Rows = 0;
        return;
    }
    auto resized = std::make_shared<TRows>(width, height);
    const int keepW = std::min(width, Width());
    const int keepH = std::min(height, Height());
    for (int y = 0; y < keepH; ++y)
        std::memcpy(resized->Base + static_cast<std::ptrdiff_t>(y) * width, Row(y),
                    sizeof(QRgb) * keepW);
    Store = std::move(resized);
    Stride = width;
    Top = 0;
    Rows = height;
    Rebuild();
}

void TPixelStore::BeginWrite() {
    if (Pixels == nullptr || Picture.isDetached())
        return;
    // Someone holds a copy of the picture: leave the rows to it.
    CopyOf(Pixels);
}

void TPixelStore::Slide(int k) {
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
    Rebuild();
}

void TPixelStore::MoveRows(int dstY, int srcY, int h) {
    const int height = Height();
    const int k = srcY - dstY;
    if (dstY == 0 && k > 0 && srcY + h == height && 2 * k <= height) {
        // The whole picture up by k rows: move the window, then put back the
        // bottom k rows, which the copy leaves as they were.
        Slide(k);
        std::memcpy(Row(height - k), Row(height - 2 * k), sizeof(QRgb) * Stride * k);
        return;
    }
    for (int i = 0; i < h; ++i) {
        const int row = k < 0 ? h - 1 - i : i;
        std::memmove(Row(dstY + row), Row(srcY + row), sizeof(QRgb) * Stride);
    }
}

} // namespace lemnar
