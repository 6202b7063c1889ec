#pragma once

#include "render/PixelBuffer.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace ombrel {

// Writes `pixels` as an 8-bit RGB PNG to `out`, with the ICC profile (named
// `profileName`) when one is given. False when the encoder or the file reports
// an error; `out` stays open either way.
bool writePng(std::FILE* out, const Bitmap8& pixels, std::span<const std::uint8_t> iccProfile,
              const std::string& profileName);

}  // namespace ombrel
