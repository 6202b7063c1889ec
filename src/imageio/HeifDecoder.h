#pragma once

#include "Samples.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace ombrel::HeifDecoder {

// HEIF images carry their own rotation, mirroring and cropping; libheif
// applies them, so everything here is already upright and an EXIF
// orientation must not be applied on top.

// True when the first bytes of a file (at least 12) are a HEIF libheif reads.
bool isHeif(std::span<const std::uint8_t> head);

// The primary image's upright size and metadata blocks, without decoding.
struct Info {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> exif;  // TIFF-structured EXIF (the HEIF offset prefix removed)
    std::vector<std::uint8_t> xmp;   // XMP packet
};
std::optional<Info> readInfo(const std::filesystem::path& file);

// The primary image at full size with its colour profile attached.
std::optional<Samples> decode(std::span<const std::uint8_t> heif);

// The first thumbnail item whose longer side is at least `minLongSide`,
// decoded; nothing when there is none.
std::optional<Samples> decodeThumbnail(std::span<const std::uint8_t> heif, int minLongSide);

}  // namespace ombrel::HeifDecoder
