#pragma once

#include "imageio/ImageProperties.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ombrel::ExifReader {

// Labelled lines for the Info block, in a fixed order: Camera, Lens, ISO,
// Aperture, Shutter, Focal length, Date, Size. A line whose source is missing
// (or has the wrong type) is left out. Numbers always use a decimal point,
// whatever the process locale.
using Lines = std::vector<std::pair<std::string, std::string>>;

Lines lines(const ImageProperties& properties);

// The lines of a photo file; empty when its properties cannot be read.
Lines read(const std::filesystem::path& file);

}  // namespace ombrel::ExifReader
