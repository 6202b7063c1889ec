#pragma once

#include "Samples.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ombrel::PngDecoder {

// Decodes a PNG at full size: palettes and transparency keys expanded, grey
// kept grey, 16-bit samples kept at full precision, the iCCP profile attached
// (gAMA is ignored: untagged files are taken as sRGB). A truncated
// non-interlaced file gives the rows that decode, the rest grey; nothing when
// no row decodes.
std::optional<Samples> decode(std::span<const std::uint8_t> png);

}  // namespace ombrel::PngDecoder
