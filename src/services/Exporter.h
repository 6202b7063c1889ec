#pragma once

#include "ExportError.h"
#include "ExportFile.h"
#include "ExportOptions.h"

#include "model/EditSettings.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel::Exporter {

// The file name, without extension, for the photo at `index` (from 0) of an
// export batch. The tokens are replaced in this order, so token text that a
// replacement brings in is replaced by the later steps: "{name}" (the photo's
// file name without extension), "{n}" (index + 1, at least three digits),
// "{date}" (`today` as yyyy-MM-dd), "{rating}". Then "/" and ":" become "_".
// An empty template means "{name}".
std::string fileName(std::string_view nameTemplate, const std::filesystem::path& photo, int index, int rating,
                     std::chrono::year_month_day today);

// The same with today's date in the local time zone.
std::string fileName(std::string_view nameTemplate, const std::filesystem::path& photo, int index, int rating);

std::chrono::year_month_day localToday();

// Decodes `photo` at full resolution, develops it with `settings`, scales it
// down when `options` ask for a smaller long edge, and writes it to `dest`
// (the full path, extension included) in the chosen format and colour space
// with the photo's Exif and TIFF tags. A file already at `dest` is never
// replaced, and a failed export leaves no file behind. Blocks the calling
// thread for the whole work; never throws.
std::optional<ExportError> exportPhoto(const std::filesystem::path& photo, const EditSettings& settings,
                                       const ExportOptions& options, const std::filesystem::path& dest);

// The same for a batch that numbers its names: written under the first free
// name among `candidates`, moving on to the next free one if another program
// takes it while the photo is being written. The name used goes to `written`.
std::optional<ExportError> exportPhoto(const std::filesystem::path& photo, const EditSettings& settings,
                                       const ExportOptions& options, const NameCandidates& candidates,
                                       std::filesystem::path* written = nullptr);

}  // namespace ombrel::Exporter
