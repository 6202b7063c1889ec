#pragma once

#include "EarlyLook.h"
#include "ImageProperties.h"

#include "model/RawOptions.h"
#include "model/SupportedFiles.h"
#include "render/LoadedImage.h"

#include <filesystem>
#include <optional>

namespace ombrel::ImageLoader {

using ombrel::rawExts;
using ombrel::stdExts;

// File metadata without decoding pixels; nothing when the file is unreadable.
std::optional<ImageProperties> properties(const std::filesystem::path& file);

// Upright full-resolution size from the properties (width and height swapped
// for the four quarter-turn orientations).
std::optional<PixelSize> pixelSize(const std::filesystem::path& file);

// Decodes `file` upright into the working space. `maxSide` caps the longer side
// (absent: full resolution); `knownFullSize` saves re-reading the size. JPEG,
// PNG and HEIC files hand `early` a look on the way; RAW files do not (their
// embedded preview is quicker).
std::optional<LoadedImage> load(const std::filesystem::path& file, std::optional<double> maxSide,
                                const RawOptions& raw, std::optional<PixelSize> knownFullSize,
                                const EarlyLook& early = {});

// A small upright sRGB thumbnail of the unedited photo, long side at most
// `maxSide`: the file's embedded thumbnail when it is big enough, else decoded.
std::optional<Bitmap8> thumbnail(const std::filesystem::path& file, int maxSide);

}  // namespace ombrel::ImageLoader
