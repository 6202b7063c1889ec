#pragma once

namespace ombrel::ops {

// Centre and radius in the pixel coordinates of the frame it is applied to.
struct VignetteParams {
    double cx = 0, cy = 0;
    double radius = 0;
    double intensity = 0;  // > 0 darkens, < 0 lightens; 1 reaches black
    double falloff = 0.6;  // width of the ramp, as a fraction of the radius
};

// The multiplier at one point: 1 inside the radius, a smooth ramp over the
// falloff band, then the full effect.
float vignetteGain(const VignetteParams& params, double x, double y);

// In place over a run of pixels whose positions are given.
void applyVignette(const VignetteParams& params, const float* xs, const float* ys, float* r, float* g, float* b,
                   int n);

}  // namespace ombrel::ops
