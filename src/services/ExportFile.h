#pragma once

#include "EncodedImage.h"
#include "ExportError.h"
#include "ExportOptions.h"
#include "OutputColor.h"

#include <filesystem>
#include <optional>

namespace ombrel {

// How one finished picture is written.
struct FileSettings {
    ExportFormat format = ExportFormat::jpeg;
    double quality = 0.9;  // JPEG only
    OutputSpace space = OutputSpace::srgb;
};

// Writes `pixels` (16-bit for TIFF, 8-bit otherwise) to `dest` in the chosen
// format with the output space's ICC profile and the metadata of the photo
// `source`. The file appears under `dest` only once it is complete; a file
// already there is never replaced ("Cannot write"). On failure nothing is
// left behind.
std::optional<ExportError> writeExportFile(EncodedImage pixels, const FileSettings& settings,
                                           const std::filesystem::path& source, const std::filesystem::path& dest);

}  // namespace ombrel
