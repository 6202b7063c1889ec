#include "UnsharpMask.h"

#include "Blur.h"
#include "Multiversion.h"

namespace ombrel::ops {
namespace {

OMBREL_MULTIVERSION void sharpenRow(const float* __restrict in, const float* __restrict blurred,
                                    float* __restrict out, float intensity, int n) {
    for (int x = 0; x < n; ++x) out[x] = in[x] + intensity * (in[x] - blurred[x]);
}

}  // namespace

void unsharpMask(PlanarImage& image, float radius, float intensity, int bandRows) {
    if (intensity == 0) return;
    blurRows(
        image, radius,
        [intensity](const BlurredRow& row) {
            for (int c = 0; c < 3; ++c) sharpenRow(row.original[c], row.blurred[c], row.out[c], intensity, row.width);
        },
        bandRows);
}

}  // namespace ombrel::ops
