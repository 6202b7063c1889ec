#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// In place: image + intensity * (image - gaussianBlur(image, radius)).
// `bandRows` sets the rows per parallel task (0 picks); the result does not
// depend on it.
void unsharpMask(PlanarImage& image, float radius, float intensity, int bandRows = 0);

}  // namespace ombrel::ops
