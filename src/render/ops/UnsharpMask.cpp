#include "UnsharpMask.h"

#include <tbb/parallel_for.h>

#include "Blur.h"

namespace ombrel::ops {

PlanarImage unsharpMask(const PlanarImage& image, float radius, float intensity) {
    PlanarImage out = gaussianBlur(image, radius);
    const int w = image.width();
    tbb::parallel_for(0, image.height(), [&](int y) {
        for (int c = 0; c < 3; ++c) {
            const float* __restrict in = image.row(c, y);
            float* __restrict o = out.row(c, y);
            for (int x = 0; x < w; ++x) o[x] = in[x] + intensity * (in[x] - o[x]);
        }
    });
    return out;
}

}  // namespace ombrel::ops
