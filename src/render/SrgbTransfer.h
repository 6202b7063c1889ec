#pragma once

#include "PixelBuffer.h"

#include <cstdint>

namespace ombrel {

// The sRGB transfer curve and the lookup tables that make it cheap for stored
// integer samples.

// Encoded 0...1 to linear light; values outside 0...1 are mirrored/extended
// along the curve so nothing is clipped.
float srgbToLinear(float encoded);
float linearToSrgb(float linear);

// Linear value of every 8-bit and 16-bit encoded sample.
const float* srgb8ToLinear();
const float* srgb16ToLinear();

// Linear value of the encoded product a × b / 255² of two 8-bit samples
// (index a × b): naive CMYK inks multiply this way.
const float* srgbProductToLinear();

// The working image encoded as 8-bit sRGB (values clipped to 0...1, alpha dropped).
Bitmap8 toBitmap8(const Image& image);

}  // namespace ombrel
