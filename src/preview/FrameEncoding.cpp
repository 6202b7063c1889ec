#include "FrameEncoding.h"

#include "render/ops/SrgbTransfer.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ombrel {

void encodeBgra(float* rgba, int n, std::uint8_t* bgra) {
    ops::srgbEncodeRun(rgba, 4 * n);
    int i = 0;
#ifdef __SSE2__
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 scale = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
    // Alpha forced to 1, red and blue exchanged, then rounded; max before min
    // turns NaN into 0.
    const __m128 opaque = _mm_castsi128_ps(_mm_set_epi32(-1, 0, 0, 0));
    auto quantise = [&](const float* p) {
        __m128 v = _mm_shuffle_ps(_mm_loadu_ps(p), _mm_loadu_ps(p), _MM_SHUFFLE(3, 0, 1, 2));
        v = _mm_or_ps(_mm_andnot_ps(opaque, v), _mm_and_ps(opaque, one));
        v = _mm_min_ps(_mm_max_ps(v, zero), one);
        return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, scale), half));
    };
    for (; i + 4 <= n; i += 4) {
        const float* p = rgba + 4 * std::size_t(i);
        const __m128i low = _mm_packs_epi32(quantise(p), quantise(p + 4));
        const __m128i high = _mm_packs_epi32(quantise(p + 8), quantise(p + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgra + 4 * std::size_t(i)), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < n; ++i) {
        const float* p = rgba + 4 * std::size_t(i);
        std::uint8_t* q = bgra + 4 * std::size_t(i);
        for (int c = 0; c < 3; ++c) {
            const float v = p[2 - c] > 0 ? (p[2 - c] < 1 ? p[2 - c] : 1) : 0;
            q[c] = static_cast<std::uint8_t>(v * 255.0f + 0.5f);
        }
        q[3] = 255;
    }
}

}  // namespace ombrel
