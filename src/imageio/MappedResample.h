#pragma once

#include "LinearMapping.h"
#include "Samples.h"

#include "render/PixelBuffer.h"

namespace ombrel {

// Mappable samples straight to a working image of exactly `width` x `height`,
// filtered like `resample` in linear light. Rows are linearised and filtered
// in strips as they are needed, so no full-size float copy of the source is
// ever made: the proxy of a large JPEG costs one pass over its samples.
Image resampleMapped(const Samples& samples, const LinearMapping& mapping, int width, int height);

}  // namespace ombrel
