// Compiled once per SIMD target by Highway.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/Interleave.cpp"
#include "Interleave.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void InterleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba) {
    const hn::ScalableTag<float> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto one = hn::Set(d, 1.0f);
    auto scalar = [&](int i) {
        float* p = rgba + 4 * i;
        p[0] = r[i];
        p[1] = g[i];
        p[2] = b[i];
        p[3] = 1.0f;
    };
    // Frames are far larger than the caches and are read again only later:
    // streaming stores skip reading every destination line before writing
    // it, which was most of this pass's cost. They need whole aligned
    // vectors, so pixels are written singly until the output is aligned.
    const std::size_t alignment = hn::Lanes(d) * sizeof(float);
    int i = 0;
    while (i < n && reinterpret_cast<std::uintptr_t>(rgba + 4 * i) % alignment != 0) scalar(i++);
    HWY_ALIGN float block[4 * hn::MaxLanes(d)];
    for (; i + lanes <= n; i += lanes) {
        hn::StoreInterleaved4(hn::LoadU(d, r + i), hn::LoadU(d, g + i), hn::LoadU(d, b + i), one, d, block);
        for (int k = 0; k < 4; ++k) hn::Stream(hn::Load(d, block + k * lanes), d, rgba + 4 * i + k * lanes);
    }
    for (; i < n; ++i) scalar(i);
    hwy::FlushStream();
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ombrel::ops {

HWY_EXPORT(InterleaveOpaque);

void packBgra8(const float* r, const float* g, const float* b, int n, std::uint8_t* bgra) {
    auto level = [](float v) { return static_cast<std::uint8_t>((v > 0 ? (v < 1 ? v : 1) : 0) * 255.0f + 0.5f); };
    for (int i = 0; i < n; ++i, bgra += 4) {
        bgra[0] = level(b[i]);
        bgra[1] = level(g[i]);
        bgra[2] = level(r[i]);
        bgra[3] = 255;
    }
}

void interleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba) {
    HWY_DYNAMIC_DISPATCH(InterleaveOpaque)(r, g, b, n, rgba);
}

}  // namespace ombrel::ops
#endif
