#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// In place, edge-preserving smoothing of luminance: detail whose contrast is
// below `noiseLevel` (in linear units around mid-grey) is smoothed while edges
// above it survive, then edge contrast is restored by `sharpness` (0...1).
// Colour is left as it is. `scale` is the render's pixels per full-resolution
// pixel: spatial extents are defined at full resolution and scaled, so a
// proxy and a full render look alike. `bandRows` sets the rows per parallel
// task (0 picks); the result does not depend on it.
void noiseReduction(PlanarImage& image, float noiseLevel, float sharpness, double scale, int bandRows = 0);

}  // namespace ombrel::ops
