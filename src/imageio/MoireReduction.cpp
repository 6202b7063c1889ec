#include "MoireReduction.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace ombrel {

namespace {

inline void order(float& a, float& b) {
    const float lo = std::min(a, b);
    b = std::max(a, b);
    a = lo;
}

using Plane = std::unique_ptr<float[]>;

// One median pass over a plane, edges repeated.
void medianPass(const float* in, float* out, int width, int height) {
    tbb::parallel_for(0, height, [&](int y) {
        const float* up = in + static_cast<std::size_t>(std::max(y - 1, 0)) * width;
        const float* mid = in + static_cast<std::size_t>(y) * width;
        const float* down = in + static_cast<std::size_t>(std::min(y + 1, height - 1)) * width;
        float* dst = out + static_cast<std::size_t>(y) * width;
        const auto at = [&](int x) {
            const int l = std::max(x - 1, 0), r = std::min(x + 1, width - 1);
            return median9(up[l], up[x], up[r], mid[l], mid[x], mid[r], down[l], down[x], down[r]);
        };
        if (width < 3) {
            for (int x = 0; x < width; ++x) dst[x] = at(x);
            return;
        }
        dst[0] = at(0);
        for (int x = 1; x < width - 1; ++x)
            dst[x] = median9(up[x - 1], up[x], up[x + 1], mid[x - 1], mid[x], mid[x + 1], down[x - 1], down[x],
                             down[x + 1]);
        dst[width - 1] = at(width - 1);
    });
}

}  // namespace

float median9(float p0, float p1, float p2, float p3, float p4, float p5, float p6, float p7, float p8) {
    // Sort each row of three, then the columns, then the middle diagonal:
    // the median is the middle of the diagonal (max of the row minima,
    // median of the row medians, min of the row maxima).
    order(p0, p1), order(p1, p2), order(p0, p1);
    order(p3, p4), order(p4, p5), order(p3, p4);
    order(p6, p7), order(p7, p8), order(p6, p7);
    float lowMax = std::max(std::max(p0, p3), p6);
    float highMin = std::min(std::min(p2, p5), p8);
    order(p1, p4), order(p4, p7), order(p1, p4);
    order(lowMax, p4), order(p4, highMin), order(lowMax, p4);
    return p4;
}

void reduceMoire(Image& image, int passes) {
    if (passes <= 0 || image.empty()) return;
    const int width = image.width(), height = image.height();
    const std::size_t size = static_cast<std::size_t>(width) * height;
    Plane redGreen = std::make_unique_for_overwrite<float[]>(size);
    Plane blueGreen = std::make_unique_for_overwrite<float[]>(size);
    tbb::parallel_for(0, height, [&](int y) {
        const float* p = image.row(y);
        float* rg = redGreen.get() + static_cast<std::size_t>(y) * width;
        float* bg = blueGreen.get() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x, p += 4) {
            rg[x] = p[0] - p[1];
            bg[x] = p[2] - p[1];
        }
    });

    Plane scratch = std::make_unique_for_overwrite<float[]>(size);
    for (Plane* plane : {&redGreen, &blueGreen}) {
        for (int pass = 0; pass < passes; ++pass) {
            medianPass(plane->get(), scratch.get(), width, height);
            std::swap(*plane, scratch);
        }
    }

    tbb::parallel_for(0, height, [&](int y) {
        float* p = image.row(y);
        const float* rg = redGreen.get() + static_cast<std::size_t>(y) * width;
        const float* bg = blueGreen.get() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = std::max(p[1] + rg[x], 0.0f);
            p[2] = std::max(p[1] + bg[x], 0.0f);
        }
    });
}

}  // namespace ombrel
