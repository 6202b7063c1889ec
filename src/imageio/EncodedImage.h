#pragma once

#include "render/PixelBuffer.h"

#include <cstdint>
#include <variant>

namespace ombrel {

// 16-bit tone-encoded RGB, for TIFF exports.
using Bitmap16 = PixelBuffer<std::uint16_t, 3>;

// Finished output pixels, tone-encoded in the output colour space: 8 bits for
// JPEG and PNG, 16 bits for TIFF.
using EncodedImage = std::variant<Bitmap8, Bitmap16>;

}  // namespace ombrel
