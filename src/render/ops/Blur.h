#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// Gaussian blur of every plane with the image extended at its edges (clamp to
// edge). Any sigma > 0; sigma below about 0.3 returns a copy.
PlanarImage gaussianBlur(const PlanarImage& image, float sigma);

// One plane, `width` x `height`, into `out` (which may not alias `in`).
void gaussianBlurPlane(const float* in, float* out, int width, int height, float sigma);

}  // namespace ombrel::ops
