#pragma once

#include "ImageProperties.h"

#include <filesystem>
#include <optional>

namespace ombrel {

// A photo file's properties without decoding pixels. Tags come from Exiv2
// (for HEIF from the EXIF and XMP items libheif finds). The stored size and
// orientation are those of the decoder that will deliver the pixels: LibRaw's
// developed size and turn for RAW files, libheif's upright size with
// orientation 1 for HEIF (it applies its own transforms), the container's
// size and EXIF orientation otherwise. Whenever the size is known, the
// orientation is too (1 when the file states none). Nothing when no reader
// recognises the file.
std::optional<ImageProperties> readProperties(const std::filesystem::path& file);

}  // namespace ombrel
