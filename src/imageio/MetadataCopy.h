#pragma once

#include "OutputColor.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace ombrel {

// Whether an Exif tag of the source (Exiv2 group name and tag number) is
// carried into an export: the Exif sub-IFD and the descriptive TIFF tags,
// without maker notes, thumbnails, GPS, pixel structure or pixel dimensions,
// which describe the source's pixels rather than the exported ones.
bool carriesTag(std::string_view group, std::uint16_t tag);

// Adds to the finished image file `written` the carried tags of `source`, with
// orientation 1 (the pixels are upright) and the Exif colour space of `space`.
// A source whose metadata cannot be read adds nothing but the orientation.
// False when `written` could not be updated; it may then be damaged.
bool copyMetadata(const std::filesystem::path& source, const std::filesystem::path& written, OutputSpace space);

}  // namespace ombrel
