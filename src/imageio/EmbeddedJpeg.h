#pragma once

#include "render/PixelBuffer.h"

#include <cstddef>
#include <optional>

namespace ombrel {

// Decodes JPEG bytes held in memory (such as a camera's embedded preview)
// into 8-bit RGB as stored, without orientation. When `minLongSide` is above
// 0 the decoder's DCT scaling picks the smallest reduced size whose long side
// is still at least `minLongSide` (full size if none is), which skips most of
// the work for small targets. Nothing for bytes it cannot fully decode.
std::optional<Bitmap8> decodeJpeg(const unsigned char* data, std::size_t size, int minLongSide);

}  // namespace ombrel
