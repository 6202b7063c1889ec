// Included once per SIMD target from inside a Highway translation unit (after
// hwy/foreach_target.h), hence the toggling guard instead of #pragma once.
#if defined(OMBREL_OPS_FOR_EACH_LANE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef OMBREL_OPS_FOR_EACH_LANE_INL_H_
#undef OMBREL_OPS_FOR_EACH_LANE_INL_H_
#else
#define OMBREL_OPS_FOR_EACH_LANE_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// step(d, i) over i = 0 ... n - 1: whole vectors, then the rest one lane at
// a time through the same operations, so every sample is computed alike
// wherever it falls in the row.
template <class Step>
HWY_INLINE void forEachLane(int n, const Step& step) {
    const hn::ScalableTag<float> d;
    const hn::CappedTag<float, 1> d1;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes) step(d, i);
    for (; i < n; ++i) step(d1, i);
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // OMBREL_OPS_FOR_EACH_LANE_INL_H_
