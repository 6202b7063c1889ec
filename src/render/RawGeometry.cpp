#include "RawGeometry.h"

#include <libraw/libraw.h>

#include <memory>

namespace ombrel::RawGeometry {

int orientationFromFlip(int flip) {
    // Inverse of LibRaw's own EXIF-to-flip table "50132467".
    constexpr int exif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return exif[flip & 7];
}

std::optional<Geometry> read(const std::filesystem::path& file) {
    try {
        auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
        raw->set_dataerror_handler(nullptr, nullptr);
        if (raw->open_file(file.c_str()) != LIBRAW_SUCCESS) return std::nullopt;
        const auto& sizes = raw->imgdata.sizes;
        if (sizes.width == 0 || sizes.height == 0) return std::nullopt;
        return Geometry{sizes.width, sizes.height, orientationFromFlip(sizes.flip)};
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::RawGeometry
