#pragma once

#include "render/PlanarImage.h"

namespace ombrel::ops {

// The non-separable "Color" blend: hue and saturation of `source`, luminance of
// `background` (same size). Used to smooth only the colour detail of a picture.
PlanarImage colorBlend(const PlanarImage& source, const PlanarImage& background);

}  // namespace ombrel::ops
