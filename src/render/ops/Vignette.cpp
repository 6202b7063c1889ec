#include "Vignette.h"

#include <algorithm>
#include <cmath>

#include "Multiversion.h"

namespace ombrel::ops {
namespace {

// The parameters as the inner loop uses them, in float.
struct Shape {
    float cx, cy, radius, invBand, intensity;
};

Shape shapeOf(const VignetteParams& p) {
    const double band = p.radius * p.falloff;
    // A band of zero width makes the ramp a step (a huge finite slope, so
    // that a point exactly on the radius still gets 0 rather than NaN).
    return {static_cast<float>(p.cx), static_cast<float>(p.cy), static_cast<float>(p.radius),
            band > 0 ? static_cast<float>(1.0 / band) : 1e30f, static_cast<float>(p.intensity)};
}

float gainAt(const Shape& s, float x, float y) {
    const float dx = x - s.cx, dy = y - s.cy;
    const float t = std::min(std::max((std::sqrt(dx * dx + dy * dy) - s.radius) * s.invBand, 0.0f), 1.0f);
    const float ramp = t * t * (3.0f - 2.0f * t);
    return std::max(1.0f - s.intensity * ramp, 0.0f);
}

}  // namespace

float vignetteGain(const VignetteParams& params, double x, double y) {
    return gainAt(shapeOf(params), static_cast<float>(x), static_cast<float>(y));
}

OMBREL_MULTIVERSION void applyVignette(const VignetteParams& params, const float* __restrict xs,
                                       const float* __restrict ys, float* __restrict r, float* __restrict g,
                                       float* __restrict b, int n) {
    const Shape s = shapeOf(params);
    for (int i = 0; i < n; ++i) {
        const float k = gainAt(s, xs[i], ys[i]);
        r[i] *= k;
        g[i] *= k;
        b[i] *= k;
    }
}

}  // namespace ombrel::ops
