#include "platform/PixelRows.h"

#include <algorithm>
#include <bit>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LEMNAR_X86 1
#endif

namespace lemnar::pixelrows {

namespace {

// A mask word is all ones or all zeros, so a pixel is a select of ink and
// what lies under it, with no branch.
void Glyph8Plain(QRgb* dst, std::ptrdiff_t stride, const std::uint32_t* bits, int rows, QRgb ink,
                 QRgb paper, bool opaque) {
#if defined(LEMNAR_X86)
    const __m128i inkV = _mm_set1_epi32(static_cast<int>(ink));
    const __m128i paperV = _mm_set1_epi32(static_cast<int>(paper));
    for (int row = 0; row < rows; ++row, dst += stride, bits += 8) {
        auto* out = reinterpret_cast<__m128i*>(dst);
        const __m128i m0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits));
        const __m128i m1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bits + 4));
        const __m128i u0 = opaque ? paperV : _mm_loadu_si128(out);
        const __m128i u1 = opaque ? paperV : _mm_loadu_si128(out + 1);
        _mm_storeu_si128(out, _mm_xor_si128(u0, _mm_and_si128(m0, _mm_xor_si128(inkV, u0))));
        _mm_storeu_si128(out + 1, _mm_xor_si128(u1, _mm_and_si128(m1, _mm_xor_si128(inkV, u1))));
    }
#else
    for (int row = 0; row < rows; ++row, dst += stride, bits += 8) {
        for (int col = 0; col < 8; ++col) {
            const QRgb under = opaque ? paper : dst[col];
            dst[col] = under ^ (bits[col] & (ink ^ under));
        }
    }
#endif
}

void FillRowsPlain(QRgb* dst, std::ptrdiff_t stride, int width, int rows, QRgb colour) {
    for (int row = 0; row < rows; ++row, dst += stride)
        std::fill_n(dst, width, colour);
}

void XorRowsPlain(QRgb* dst, std::ptrdiff_t dstStride, const QRgb* src, std::ptrdiff_t srcStride,
                  int width, int rows) {
    for (int row = 0; row < rows; ++row, dst += dstStride, src += srcStride)
        for (int col = 0; col < width; ++col)
            dst[col] ^= src[col] & 0xFFFFFF;
}

#if defined(LEMNAR_X86)

__attribute__((target("avx2"))) void Glyph8Wide(QRgb* dst, std::ptrdiff_t stride,
                                                const std::uint32_t* bits, int rows, QRgb ink,
                                                QRgb paper, bool opaque) {
    const __m256i inkV = _mm256_set1_epi32(static_cast<int>(ink));
    const __m256i paperV = _mm256_set1_epi32(static_cast<int>(paper));
    if (opaque) {
#pragma GCC unroll 4
        for (int row = 0; row < rows; ++row, dst += stride, bits += 8) {
            const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bits));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst),
                                _mm256_blendv_epi8(paperV, inkV, m));
        }
        return;
    }
    for (int row = 0; row < rows; ++row, dst += stride, bits += 8) {
        auto* out = reinterpret_cast<__m256i*>(dst);
        const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bits));
        _mm256_storeu_si256(out, _mm256_blendv_epi8(_mm256_loadu_si256(out), inkV, m));
    }
}

__attribute__((target("avx2"))) void FillRowsWide(QRgb* dst, std::ptrdiff_t stride, int width,
                                                  int rows, QRgb colour) {
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    for (int row = 0; row < rows; ++row, dst += stride) {
        int col = 0;
        for (; col + 8 <= width; col += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + col), c);
        for (; col < width; ++col)
            dst[col] = colour;
    }
}

__attribute__((target("avx2"))) void XorRowsWide(QRgb* dst, std::ptrdiff_t dstStride,
                                                 const QRgb* src, std::ptrdiff_t srcStride,
                                                 int width, int rows) {
    if (width != 8) {
        XorRowsPlain(dst, dstStride, src, srcStride, width, rows);
        return;
    }
    const __m256i colourBits = _mm256_set1_epi32(0xFFFFFF);
    for (int row = 0; row < rows; ++row, dst += dstStride, src += srcStride) {
        auto* out = reinterpret_cast<__m256i*>(dst);
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
        _mm256_storeu_si256(
            out, _mm256_xor_si256(_mm256_loadu_si256(out), _mm256_and_si256(s, colourBits)));
    }
}

bool HasWide() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

bool HasWide() {
    return false;
}

#endif

constexpr TKernels PlainKernels{Glyph8Plain, FillRowsPlain, XorRowsPlain};

} // namespace

TKernels Kernels = PlainKernels;

bool UseWide(bool wanted) {
#if defined(LEMNAR_X86)
    if (wanted && HasWide()) {
        Kernels = TKernels{Glyph8Wide, FillRowsWide, XorRowsWide};
        return true;
    }
#endif
    Kernels = PlainKernels;
    return false;
}

namespace {
// The wide set from the start where the processor has it.
const bool WideAtStart = UseWide(true);
} // namespace

} // namespace lemnar::pixelrows
