#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// Bilinear samples of the three planes of `image` at `n` positions given in
// its pixel units (pixel centres at +0.5), edges extended: a position outside
// the picture takes the nearest edge pixel, a NaN one the first pixel.
void sampleBilinear(const PlanarImage& image, const float* xs, const float* ys, float* r, float* g, float* b, int n);

}  // namespace ombrel::ops
