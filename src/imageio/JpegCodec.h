#pragma once

#include "render/PixelBuffer.h"

#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// Baseline JPEG of an 8-bit sRGB picture; `quality` on libjpeg's 0...100 scale.
std::optional<std::string> encodeJpeg(const Bitmap8& picture, int quality);

// Strict decode of a JPEG we wrote ourselves: any error or warning (a
// truncated or damaged file) gives nothing rather than a half-grey picture.
std::optional<Bitmap8> decodeJpegStrict(std::string_view bytes);

}  // namespace ombrel
