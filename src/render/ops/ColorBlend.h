#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// The non-separable "Color" blend: hue and saturation of `source`, luminance of
// `background` (same size). Used to smooth only the colour detail of a picture.
PlanarImage colorBlend(const PlanarImage& source, const PlanarImage& background);

// In place: the colour of `image` blurred by `sigma` with the luminance of
// `image` itself, colorBlend(gaussianBlur(image, sigma), image) in one pass.
// `bandRows` sets the rows per parallel task (0 picks); the result does not
// depend on it.
void blurColor(PlanarImage& image, float sigma, int bandRows = 0);

}  // namespace ombrel::ops
