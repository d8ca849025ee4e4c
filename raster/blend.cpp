// Pixel arithmetic over rows: image blocks combined into the view, colour runs, block copies.
//
// Every combining loop is one kernel applied along a row: four pixels per step with packed SSE2
// arithmetic, the rest one pixel at a time with the per-channel reference of blend_channels.h. The
// packed forms are exact, not approximations:
// - add, subtract, maximum and the rounded average are the saturating/rounding byte instructions;
// - multiply and screen widen to 16 bits, where d * s <= 65025 fits and the shift by 8 is the floor;
// - the blend is (d << 8) + (s - d) * alpha in 16-bit wrap-around arithmetic: its true value lies in
//   0..65280, so the wrapped sum equals it and the logical shift by 8 is the floor.
// A colour run is the same kernel with the colour repeated as the source.
#include "raster/blend.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "host/frame_buffer.h"
#include "raster/blend_channels.h"

namespace {

#ifdef __SSE2__
using Quad = __m128i;  // four pixels

inline Quad Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint32_t* p, Quad v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// floor(d * s / 256) on eight 16-bit channels.
inline __m128i MultiplyWide(__m128i d, __m128i s) { return _mm_srli_epi16(_mm_mullo_epi16(d, s), 8); }

inline Quad MultiplyQuad(Quad d, Quad s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = MultiplyWide(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero));
    const __m128i hi = MultiplyWide(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero));
    return _mm_packus_epi16(lo, hi);
}

// The blend of two pixels widened to 16 bits, each by the alpha of its own source pixel.
inline __m128i BlendWide(__m128i d, __m128i s) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i sum = _mm_add_epi16(_mm_slli_epi16(d, 8), _mm_mullo_epi16(_mm_sub_epi16(s, d), alpha));
    return _mm_srli_epi16(sum, 8);
}

inline Quad BlendQuad(Quad d, Quad s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = BlendWide(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero));
    const __m128i hi = BlendWide(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero));
    return _mm_packus_epi16(lo, hi);
}
#endif

// Kernels: Quad(d, s) for four pixels, Pixel(d, s) for one. The source's alpha is the blend's alpha.
struct CopyKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad, Quad s) { return s; }
#endif
    static uint32_t Pixel(uint32_t, uint32_t s) { return s; }
};

struct BlendKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return BlendQuad(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Blend(d, s, s >> 24); }
};

struct AddKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_adds_epu8(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Add(d, s); }
};

struct SubtractKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_subs_epu8(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Subtract(d, s); }
};

struct MultiplyKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return MultiplyQuad(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Multiply(d, s); }
};

struct ScreenKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) {
        const __m128i ones = _mm_set1_epi32(-1);
        return _mm_xor_si128(MultiplyQuad(_mm_xor_si128(d, ones), _mm_xor_si128(s, ones)), ones);
    }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Screen(d, s); }
};

struct AverageKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_avg_epu8(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Average(d, s); }
};

// Two successive rounded averages, weighted toward the source.
struct TowardSourceKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_avg_epu8(_mm_avg_epu8(d, s), s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Average(channels::Average(d, s), s); }
};

// Two successive rounded averages, weighted toward the destination.
struct TowardDestKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_avg_epu8(_mm_avg_epu8(s, d), d); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Average(channels::Average(s, d), d); }
};

struct LightenKernel {
#ifdef __SSE2__
    static Quad Quad4(Quad d, Quad s) { return _mm_max_epu8(d, s); }
#endif
    static uint32_t Pixel(uint32_t d, uint32_t s) { return channels::Lighten(d, s); }
};

template <class Kernel>
void CombineRow(uint32_t* d, const uint32_t* s, uint32_t n) {
    uint32_t i = 0;
#ifdef __SSE2__
    for (; n - i >= 4; i += 4) Store(d + i, Kernel::Quad4(Load(d + i), Load(s + i)));
#endif
    for (; i < n; ++i) d[i] = Kernel::Pixel(d[i], s[i]);
}

template <class Kernel>
void CombineColour(uint32_t* d, uint32_t colour, uint32_t n) {
    uint32_t i = 0;
#ifdef __SSE2__
    const Quad s = _mm_set1_epi32(static_cast<int32_t>(colour));
    for (; n - i >= 4; i += 4) Store(d + i, Kernel::Quad4(Load(d + i), s));
#endif
    for (; i < n; ++i) d[i] = Kernel::Pixel(d[i], colour);
}

void CopyRow(uint32_t* d, const uint32_t* s, uint32_t n) { std::memcpy(d, s, static_cast<size_t>(n) * 4); }

using RowCombiner = void (*)(uint32_t* d, const uint32_t* s, uint32_t n);

RowCombiner BlockCombiner(BlendMode mode) {
    switch (mode) {
    case Alpha:
        return CombineRow<BlendKernel>;
    case Add:
        return CombineRow<AddKernel>;
    case Subtract:
        return CombineRow<SubtractKernel>;
    case Multiply:
        return CombineRow<MultiplyKernel>;
    case Average:
        return CombineRow<AverageKernel>;
    case TowardSource:
        return CombineRow<TowardSourceKernel>;
    case TowardDest:
        return CombineRow<TowardDestKernel>;
    case Lighten:
        return CombineRow<LightenKernel>;
    default:
        return CopyRow;
    }
}

}  // namespace

void DrawBlock(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const uint32_t* pixels, BlendMode mode) {
    const FrameBuffer& fb = frameBuffer;
    if (!fb.viewBase) return;
    // 64-bit so that no pair of corners overflows; the stride is the width as passed.
    int64_t left = x0, top = y0, right = x1, bottom = y1;
    const int64_t stride = right - left + 1;
    int64_t skipColumns = 0, skipRows = 0;
    if (left < 0) skipColumns = -left, left = 0;
    if (right > fb.maxX) right = fb.maxX;
    if (top < 0) skipRows = -top, top = 0;
    if (bottom > fb.maxY) bottom = fb.maxY;
    if (left > right || top > bottom) return;

    const RowCombiner combine = BlockCombiner(mode);
    const uint32_t width = static_cast<uint32_t>(right - left + 1);
    const uint32_t* source = pixels + static_cast<ptrdiff_t>(skipRows * stride + skipColumns);
    for (int64_t y = top; y <= bottom; ++y, source += stride) combine(fb.rows[y] + left, source, width);
}

void FillRun(uint32_t* p, uint32_t colour, uint32_t n) {
#ifdef __SSE2__
    if (n >= 8) {
        // One unaligned store at each end, aligned stores between; the overlaps store the same colour.
        const Quad s = _mm_set1_epi32(static_cast<int32_t>(colour));
        Store(p, s);
        Store(p + n - 4, s);
        auto* q = reinterpret_cast<__m128i*>((reinterpret_cast<uintptr_t>(p) + 16) & ~uintptr_t{15});
        const size_t quads =
            ((reinterpret_cast<uintptr_t>(p + n) & ~uintptr_t{15}) - reinterpret_cast<uintptr_t>(q)) / 16;
        size_t i = 0;
        for (; i + 4 <= quads; i += 4) {  // a cache line per step
            _mm_store_si128(q + i, s);
            _mm_store_si128(q + i + 1, s);
            _mm_store_si128(q + i + 2, s);
            _mm_store_si128(q + i + 3, s);
        }
        for (; i < quads; ++i) _mm_store_si128(q + i, s);
        return;
    }
#endif
    for (uint32_t i = 0; i < n; ++i) p[i] = colour;
}

void AddRun(uint32_t* p, uint32_t colour, uint32_t n) { CombineColour<AddKernel>(p, colour, n); }
void SubtractRun(uint32_t* p, uint32_t colour, uint32_t n) { CombineColour<SubtractKernel>(p, colour, n); }
void MultiplyRun(uint32_t* p, uint32_t colour, uint32_t n) { CombineColour<MultiplyKernel>(p, colour, n); }
void ScreenRun(uint32_t* p, uint32_t colour, uint32_t n) { CombineColour<ScreenKernel>(p, colour, n); }
void BlendRun(uint32_t* p, uint32_t colour, uint32_t n) { CombineColour<BlendKernel>(p, colour, n); }

void ReadBlock(uint32_t* buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (x1 < x0 || y1 < y0) return;
    const uint32_t width = static_cast<uint32_t>(x1 - x0 + 1);
    for (int32_t y = y0; y <= y1; ++y, buffer += width) CopyRow(buffer, frameBuffer.rows[y] + x0, width);
}

void WriteBlock(int32_t x, int32_t y, const uint32_t* buffer, int32_t stride, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    for (int32_t row = 0; row < height; ++row, buffer += stride) {
        CopyRow(frameBuffer.rows[y + row] + x, buffer, static_cast<uint32_t>(width));
    }
}
