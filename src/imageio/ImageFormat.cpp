#include "ImageFormat.h"

#include "HeifDecoder.h"

#include <algorithm>
#include <array>

namespace ombrel {

ImageFormat sniffFormat(std::span<const std::uint8_t> head) {
    constexpr std::array<std::uint8_t, 3> jpeg{0xFF, 0xD8, 0xFF};
    constexpr std::array<std::uint8_t, 8> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head.size() >= jpeg.size() && std::equal(jpeg.begin(), jpeg.end(), head.begin())) return ImageFormat::Jpeg;
    if (head.size() >= png.size() && std::equal(png.begin(), png.end(), head.begin())) return ImageFormat::Png;
    if (HeifDecoder::isHeif(head)) return ImageFormat::Heif;
    return ImageFormat::Unknown;
}

}  // namespace ombrel
