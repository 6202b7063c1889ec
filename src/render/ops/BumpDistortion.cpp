#include "BumpDistortion.h"

#include <cmath>

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

}  // namespace ombrel::ops
