#include "RawGeometry.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ombrel::raw {

int orientationFromFlip(int flip) {
    switch (flip) {
        case 1: return 2;
        case 2: return 4;
        case 3: return 3;
        case 4: return 5;
        case 5: return 8;
        case 6: return 6;
        case 7: return 7;
        default: return 1;
    }
}

Size stretchedSize(int width, int height, double pixelAspect) {
    // The same rounding as LibRaw's stretching step.
    if (pixelAspect > 0 && pixelAspect < 1) height = static_cast<int>(height / pixelAspect + 0.5);
    if (pixelAspect > 1) width = static_cast<int>(width * pixelAspect + 0.5);
    return {width, height};
}

Size reducedSize(Size full, double scale) {
    return {std::max(1, static_cast<int>(std::lround(full.width * scale))),
            std::max(1, static_cast<int>(std::lround(full.height * scale)))};
}

std::optional<Geometry> readGeometry(const std::filesystem::path& file) {
    try {
        auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        raw->set_dataerror_handler(nullptr, nullptr);
        if (raw->open_file(file.c_str()) != LIBRAW_SUCCESS) return std::nullopt;
        const auto& sizes = raw->imgdata.sizes;
        if (sizes.width == 0 || sizes.height == 0) return std::nullopt;
        return Geometry{stretchedSize(sizes.width, sizes.height, sizes.pixel_aspect), orientationFromFlip(sizes.flip)};
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::raw
