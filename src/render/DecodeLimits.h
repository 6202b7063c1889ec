#pragma once

#include <cstdint>

namespace ombrel {

// The largest picture any decoder accepts (256 megapixels, above every camera
// made): a damaged header claiming more is refused instead of allocating
// gigabytes or grinding through empty data.
inline constexpr std::int64_t maxDecodePixels = std::int64_t{1} << 28;

constexpr bool acceptableSize(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width * height <= maxDecodePixels;
}

}  // namespace ombrel
