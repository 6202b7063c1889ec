#include "BumpDistortion.h"

#include <algorithm>
#include <cmath>

#include "Multiversion.h"

namespace ombrel::ops {

Point bumpSource(const BumpParams& params, Point p) {
    const double dx = p.x - params.cx, dy = p.y - params.cy;
    const double d2 = dx * dx + dy * dy, r2 = params.radius * params.radius;
    if (!(params.radius > 0) || d2 >= r2) return p;
    // The sampling distance is d * (1 - scale * (1 - t^2)^2) with t = d / radius:
    // equal to d, with matching slope, at the radius, and strictly increasing
    // in d for scale in -1.25...1, so the picture neither folds nor tears.
    const double fade = 1 - d2 / r2;
    const double k = 1 - params.scale * fade * fade;
    return {params.cx + dx * k, params.cy + dy * k};
}

OMBREL_MULTIVERSION void bumpSourceRun(const BumpParams& params, float* __restrict xs, float* __restrict ys, int n) {
    if (!(params.radius > 0)) return;
    const float cx = static_cast<float>(params.cx), cy = static_cast<float>(params.cy);
    const float inverseR2 = static_cast<float>(1 / (params.radius * params.radius));
    const float scale = static_cast<float>(params.scale);
    for (int i = 0; i < n; ++i) {
        const float dx = xs[i] - cx, dy = ys[i] - cy;
        const float fade = 1.0f - (dx * dx + dy * dy) * inverseR2;
        const float k = 1.0f - scale * fade * fade;
        // A select rather than a branch, so the loop vectorises.
        xs[i] = fade > 0.0f ? cx + dx * k : xs[i];
        ys[i] = fade > 0.0f ? cy + dy * k : ys[i];
    }
}

}  // namespace ombrel::ops
