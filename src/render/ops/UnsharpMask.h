#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// out = in + intensity * (in - gaussianBlur(in, radius)).
PlanarImage unsharpMask(const PlanarImage& image, float radius, float intensity);

}  // namespace ombrel::ops
