// The row kernel is compiled once per SIMD target by Highway and dispatched
// at run time (see the end of the file).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/ops/UnsharpMask.cpp"
#include "UnsharpMask.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "ForEachLane-inl.h"

HWY_BEFORE_NAMESPACE();
namespace ombrel::ops::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// row += intensity * (row - blurred), over the row itself.
void SharpenRow(const float* blurred, float* row, float intensity, int n) {
    forEachLane(n, [&](auto d, int i) {
        const auto v = hn::LoadU(d, row + i);
        hn::StoreU(hn::MulAdd(hn::Set(d, intensity), hn::Sub(v, hn::LoadU(d, blurred + i)), v), d, row + i);
    });
}

}  // namespace ombrel::ops::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "Blur.h"

namespace ombrel::ops {

HWY_EXPORT(SharpenRow);

void unsharpMask(PlanarImage& image, float radius, float intensity, int bandRows) {
    if (intensity == 0) return;
    blurRows(
        image, radius,
        [intensity](const BlurredRow& row) {
            for (int c = 0; c < 3; ++c)
                HWY_DYNAMIC_DISPATCH(SharpenRow)(row.blurred[c], row.row[c], intensity, row.width);
        },
        bandRows);
}

}  // namespace ombrel::ops
#endif  // HWY_ONCE
