#pragma once

#include "ExportError.h"
#include "ExportOptions.h"
#include "PendingFile.h"

#include "imageio/EncodedImage.h"
#include "imageio/OutputColor.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace ombrel {

// How one finished picture is written.
struct FileSettings {
    ExportFormat format = ExportFormat::jpeg;
    double quality = 0.9;  // JPEG only
    OutputSpace space = OutputSpace::srgb;
};

// Puts a finished picture into the open file `fd`; false when that fails.
using PictureWriter = std::function<bool(int fd)>;

// Writes `pixels` (16-bit for TIFF, 8-bit otherwise) in the format of
// `settings` with the output space's ICC profile, then frees them so that
// they are gone before the metadata pass reads the file back. `pixels` must
// outlive the writer.
PictureWriter encodedWriter(EncodedImage& pixels, const FileSettings& settings);

// Writes the picture that `picture` puts into the file to `dest`, with the
// metadata of the photo `source` (the Exif colour space that of `space`). The
// file appears under `dest` only once it is complete; a file already there is
// never replaced ("Cannot write"). On failure nothing is left behind.
std::optional<ExportError> writeExportFile(const PictureWriter& picture, OutputSpace space,
                                           const std::filesystem::path& source, const std::filesystem::path& dest);

// Writes `pixels` (16-bit for TIFF, 8-bit otherwise) to `dest` in the chosen
// format with the output space's ICC profile and the metadata of the photo
// `source`. The file appears under `dest` only once it is complete; a file
// already there is never replaced ("Cannot write"). On failure nothing is
// left behind.
std::optional<ExportError> writeExportFile(EncodedImage pixels, const FileSettings& settings,
                                           const std::filesystem::path& source, const std::filesystem::path& dest);

// The names a file may take, in order of preference: attempt 0 is the plain
// name, later attempts numbered ones; nothing when there is none left to try.
using NameCandidates = std::function<std::optional<std::filesystem::path>(int attempt)>;

// The first candidate from `attempt` on under which nothing exists (not even
// a dangling link); its attempt number goes to `attempt`.
std::optional<std::filesystem::path> firstFreeName(const NameCandidates& candidates, int& attempt);

// Publishes `file` under the first candidate from `attempt` on that is free
// at the moment of the move: a name taken meanwhile, by anyone, sends it on
// to the next. Nothing is ever replaced. The name used goes to `chosen`.
MoveResult publishFirstFree(PendingFile& file, const NameCandidates& candidates, int attempt,
                            std::filesystem::path& chosen);

// Like writeExportFile, for batches that number their names: written beside
// the first free candidate and published under the first name still free
// once the file is complete. Errors name the candidate last tried; the name
// used goes to `written`.
std::optional<ExportError> writeExportFileFirstFree(const PictureWriter& picture, OutputSpace space,
                                                    const std::filesystem::path& source,
                                                    const NameCandidates& candidates,
                                                    std::filesystem::path* written = nullptr);

// The same for finished pixels in the format of `settings`.
std::optional<ExportError> writeExportFileFirstFree(EncodedImage pixels, const FileSettings& settings,
                                                    const std::filesystem::path& source,
                                                    const NameCandidates& candidates,
                                                    std::filesystem::path* written = nullptr);

}  // namespace ombrel
