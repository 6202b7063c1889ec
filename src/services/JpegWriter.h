#pragma once

#include "render/PixelBuffer.h"

#include <cstdint>
#include <cstdio>
#include <span>

namespace ombrel {

// libjpeg's 1...100 scale for a quality of 0...1 (1.0 the best): 0.9 gives 90.
int jpegQuality(double quality);

// Writes `pixels` as a baseline JPEG to `out`, with the ICC profile when one
// is given; colour is subsampled only below quality 90. False when the encoder or the file reports an error; `out` stays
// open either way.
bool writeJpeg(std::FILE* out, const Bitmap8& pixels, int quality, std::span<const std::uint8_t> iccProfile);

}  // namespace ombrel
