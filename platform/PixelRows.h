#pragma once
// The inner loops of drawing: a glyph cell 8 pixels wide, the XOR of a short
// span and the fill of a cell. Each has a plain
// version for any x86-64 (SSE2) and a wider one (AVX2) taken when the
// processor has it; both write the same bits.

#include <QRgb>
#include <cstddef>
#include <cstdint>

namespace lemnar::pixelrows {

// The loops as function pointers, the plain or the wide set.
struct TKernels {
    // One glyph cell 8 pixels wide, `rows` rows from dst on, a row `stride`
    // pixels apart. bits holds 8 mask words per row, all ones where the glyph
    // has ink. Opaque cells put paper elsewhere; clear ones leave the pixel.
    void (*Glyph8)(QRgb* dst, std::ptrdiff_t stride, const std::uint32_t* bits, int rows, QRgb ink,
                   QRgb paper, bool opaque);
    // `rows` rows of `width` pixels from dst on set to colour.
    void (*FillRows)(QRgb* dst, std::ptrdiff_t stride, int width, int rows, QRgb colour);
    // Each of `rows` rows of `width` pixels XOR-ed with the same span of src,
    // colour bits only.
    void (*XorRows)(QRgb* dst, std::ptrdiff_t dstStride, const QRgb* src, std::ptrdiff_t srcStride,
                    int width, int rows);
};

// The set in use: the wide one where the processor has AVX2.
extern TKernels Kernels;

inline void Glyph8(QRgb* dst, std::ptrdiff_t stride, const std::uint32_t* bits, int rows, QRgb ink,
                   QRgb paper, bool opaque) {
    Kernels.Glyph8(dst, stride, bits, rows, ink, paper, opaque);
}
inline void FillRows(QRgb* dst, std::ptrdiff_t stride, int width, int rows, QRgb colour) {
    Kernels.FillRows(dst, stride, width, rows, colour);
}
inline void XorRows(QRgb* dst, std::ptrdiff_t dstStride, const QRgb* src, std::ptrdiff_t srcStride,
                    int width, int rows) {
    Kernels.XorRows(dst, dstStride, src, srcStride, width, rows);
}

// Forces the plain versions (false) or the wide ones where the processor has
// them (true, the default); returns whether the wide ones are in use. For
// tests that compare the two.
bool UseWide(bool wanted);

} // namespace lemnar::pixelrows
