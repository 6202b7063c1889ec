#pragma once

#include "PixelBuffer.h"

#include "model/RawOptions.h"

#include <memory>
#include <optional>

namespace ombrel {

struct PixelSize {
    double width = 0;
    double height = 0;
    bool operator==(const PixelSize&) const = default;
};

// A decoded, upright working image and how it relates to the full-resolution
// picture. Images are shared read-only between the model and background work.
struct LoadedImage {
    std::shared_ptr<const Image> image;
    PixelSize fullSize;  // upright, full resolution
    double scale = 1;    // pixels of `image` per full-resolution pixel
    std::optional<RawOptions> rawDefaults;  // the decoder's own defaults, RAW files only
};

}  // namespace ombrel
