#include "platform/GlyphCache.h"

#include "platform/BoxGlyph.h"
#include "platform/CodePage866.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <utility>

namespace lemnar {

namespace {

constexpr const char* FallbackFace = "DejaVu Sans Mono";

} // namespace

QFont TGlyphCache::MakeFont(const TFontSpec& wanted) {
    const QString face = QString::fromStdString(wanted.Face);
    QFont font(QFontDatabase::families().contains(face, Qt::CaseInsensitive)
                   ? face
                   : QString::fromLatin1(FallbackFace));
    font.setPixelSize(std::max(1, wanted.PixelHeight));
    font.setFixedPitch(true);
    font.setStyleHint(QFont::Monospace, QFont::NoAntialias);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

TGlyphCache::TGlyphCache(const TFontSpec& wanted) : QtFont(MakeFont(wanted)) {
    const QFontMetrics metrics(QtFont);
    CellWidth = std::max(1, metrics.averageCharWidth());
    CellHeight = std::max(1, metrics.ascent() + metrics.descent());
    FontAscent = metrics.ascent();
    Masks.assign(static_cast<std::size_t>(256 * CellWidth * CellHeight), 0);
    WideMasks.assign(Masks.size(), 0);
    static std::atomic<std::uint64_t> serials{1};
    SerialNumber = serials.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<TGlyphCache> TGlyphCache::Shared(const TFontSpec& wanted) {
    // Surfaces are used on the GUI thread only.
    static std::vector<std::pair<TFontSpec, std::weak_ptr<TGlyphCache>>> caches;
    std::erase_if(caches, [](const auto& entry) { return entry.second.expired(); });
    for (const auto& [cachedFont, cache] : caches) {
        if (cachedFont == wanted)
            return cache.lock();
    }
    auto cache = std::make_shared<TGlyphCache>(wanted);
    caches.emplace_back(wanted, cache);
    return cache;
}

const std::uint8_t* TGlyphCache::Mask(std::uint8_t byte) {
    if (!Rendered[byte])
        Render(byte);
    return Masks.data() + static_cast<std::size_t>(byte) * CellWidth * CellHeight;
}

void TGlyphCache::PaintReference(QPainter& painter, int x, int y, std::uint8_t byte) const {
    if (IsBoxGlyph(byte)) {
        const QColor colour = painter.pen().color();
        for (const QRect& r : BoxGlyphRects(byte, CellWidth, CellHeight))
            painter.fillRect(r.translated(x, y), colour);
        return;
    }
    const char32_t c = OemToUnicode(byte);
    if (c == U' ' || c == U'\u00A0')
        return;
    painter.setClipRect(QRect(x, y, CellWidth, CellHeight));
    painter.setFont(QtFont);
    painter.drawText(QPoint(x, y + FontAscent), QString(QChar(static_cast<char16_t>(c))));
    painter.setClipping(false);
}

void TGlyphCache::Render(std::uint8_t byte) {
    QImage cell(CellWidth, CellHeight, QImage::Format_RGB32);
    cell.fill(Qt::black);
    {
        QPainter painter(&cell);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(Qt::white);
        PaintReference(painter, 0, 0, byte);
    }
    const std::size_t at = static_cast<std::size_t>(byte) * CellWidth * CellHeight;
    std::uint8_t* mask = Masks.data() + at;
    std::uint32_t* wide = WideMasks.data() + at;
    for (int y = 0; y < CellHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(cell.constScanLine(y));
        for (int x = 0; x < CellWidth; ++x) {
            const bool set = (line[x] & 0xFFFFFF) != 0;
            mask[y * CellWidth + x] = set ? 1 : 0;
            wide[y * CellWidth + x] = set ? 0xFFFFFFFFu : 0u;
        }
    }
    Rendered[byte] = true;
}

} // namespace lemnar
