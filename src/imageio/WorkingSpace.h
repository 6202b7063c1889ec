#pragma once

#include "Samples.h"

#include "render/PixelBuffer.h"

#include <optional>

namespace ombrel {

// Decoded samples into the working image: through their embedded profile when
// it is usable, otherwise as sRGB (CMYK without a profile by the naive ink
// formula). Alpha is 1 where the samples have none. Nothing for empty samples
// or when memory runs out.
std::optional<Image> toWorkingImage(const Samples& samples);

// The same at exactly `width` x `height` (a smaller size, as a rule), filtered
// in linear light; 8-bit samples of the common colour spaces are converted
// and shrunk in one pass.
std::optional<Image> toWorkingImage(const Samples& samples, int width, int height);

}  // namespace ombrel
