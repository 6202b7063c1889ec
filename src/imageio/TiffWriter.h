#pragma once

#include "EncodedImage.h"

#include <cstdint>
#include <span>

namespace ombrel {

// Writes `pixels` as an uncompressed 16-bit RGB TIFF (top-left orientation) to
// the open file `fd`, with the ICC profile when one is given. False when
// libtiff or the file reports an error. `fd` stays open; the caller owns it.
bool writeTiff(int fd, const Bitmap16& pixels, std::span<const std::uint8_t> iccProfile);

}  // namespace ombrel
