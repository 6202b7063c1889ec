#pragma once

#include "render/PixelBuffer.h"

namespace ombrel::ops {

// Resizes by `scale` (output size = round(size * scale), at least 1) with a
// Lanczos-3 filter widened when shrinking; for exports.
Image lanczosScale(const Image& image, double scale);

}  // namespace ombrel::ops
