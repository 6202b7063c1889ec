// Compiled once per SIMD target by Highway.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/Interleave.cpp"
#include "Interleave.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void InterleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba) {
    const hn::ScalableTag<float> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const auto one = hn::Set(d, 1.0f);
    int i = 0;
    for (; i + lanes <= n; i += lanes) {
        hn::StoreInterleaved4(hn::LoadU(d, r + i), hn::LoadU(d, g + i), hn::LoadU(d, b + i), one, d, rgba + 4 * i);
    }
    for (; i < n; ++i) {
        float* p = rgba + 4 * i;
        p[0] = r[i];
        p[1] = g[i];
        p[2] = b[i];
        p[3] = 1.0f;
    }
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ombrel::ops {

HWY_EXPORT(InterleaveOpaque);

void interleaveOpaque(const float* r, const float* g, const float* b, int n, float* rgba) {
    HWY_DYNAMIC_DISPATCH(InterleaveOpaque)(r, g, b, n, rgba);
}

}  // namespace ombrel::ops
#endif
