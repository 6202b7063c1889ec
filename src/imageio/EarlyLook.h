#pragma once

#include "render/PixelBuffer.h"

#include <functional>

namespace ombrel {

// A small upright sRGB picture made from a decode on its way to a larger
// image and handed over, on the decoding thread, before the larger one is
// developed: the photo can be shown while its proxy is still being made,
// without decoding the file a second time. Without `take` none is made.
struct EarlyLook {
    int maxSide = 0;
    std::function<void(Bitmap8)> take;
};

}  // namespace ombrel
