#pragma once

#include "render/PixelBuffer.h"

namespace ombrel {

// Colour noise reduction: blurs the chroma of `image` with a Gaussian of
// standard deviation `sigma` pixels and keeps its luma. Works on square-root
// encoded values, where chroma noise is about as visible in the shadows as in
// the highlights and the result can never turn negative. Nothing changes
// when `sigma` is 0 or less.
void reduceChromaNoise(Image& image, float sigma);

}  // namespace ombrel
