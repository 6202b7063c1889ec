#include "ExportFile.h"

#include "PendingFile.h"

#include "imageio/FdStream.h"
#include "imageio/JpegWriter.h"
#include "imageio/MetadataCopy.h"
#include "imageio/PngWriter.h"
#include "imageio/TiffWriter.h"

namespace ombrel {
namespace {

const char* profileName(OutputSpace space) { return space == OutputSpace::displayP3 ? "Display P3" : "sRGB"; }

bool writePixels(int fd, const EncodedImage& pixels, const FileSettings& settings) {
    const auto& icc = iccProfile(settings.space);
    if (icc.empty()) return false;
    if (settings.format == ExportFormat::tiff) {
        const auto* deep = std::get_if<Bitmap16>(&pixels);
        return deep && writeTiff(fd, *deep, icc);
    }
    const auto* bitmap = std::get_if<Bitmap8>(&pixels);
    if (!bitmap) return false;
    if (settings.format == ExportFormat::png) {
        return writeThroughStream(
            fd, [&](std::FILE* out) { return writePng(out, *bitmap, icc, profileName(settings.space)); });
    }
    return writeThroughStream(fd, [&](std::FILE* out) {
        return writeJpeg(out, *bitmap, jpegQuality(settings.quality), icc);
    });
}

}  // namespace

PictureWriter encodedWriter(EncodedImage& pixels, const FileSettings& settings) {
    return [&pixels, settings](int fd) {
        const bool written = writePixels(fd, pixels, settings);
        pixels = Bitmap8();
        return written;
    };
}

std::optional<ExportError> writeExportFile(const PictureWriter& picture, OutputSpace space,
                                           const std::filesystem::path& source, const std::filesystem::path& dest) {
    std::optional<PendingFile> file = PendingFile::create(dest);
    if (!file) return ExportError::cannotWriteTo(dest);

    if (!picture(file->fd()) || !copyMetadata(source, file->path(), space) || !file->finish()) {
        return ExportError::couldNotFinish(dest);
    }
    switch (file->publish()) {
        case MoveResult::moved: return std::nullopt;
        case MoveResult::nameTaken: return ExportError::cannotWriteTo(dest);
        case MoveResult::failed: break;
    }
    return ExportError::couldNotFinish(dest);
}

std::optional<ExportError> writeExportFile(EncodedImage pixels, const FileSettings& settings,
                                           const std::filesystem::path& source, const std::filesystem::path& dest) {
    return writeExportFile(encodedWriter(pixels, settings), settings.space, source, dest);
}

namespace {

// More numbered names than any folder will hold: a bound so that a
// candidate source that never runs dry cannot loop for ever.
constexpr int maxAttempts = 100000;

bool nameInUse(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    // An unreadable status counts as taken: the no-replace move decides later.
    if (error) return error != std::errc::no_such_file_or_directory;
    return status.type() != std::filesystem::file_type::not_found;
}

}  // namespace

std::optional<std::filesystem::path> firstFreeName(const NameCandidates& candidates, int& attempt) {
    for (; attempt < maxAttempts; ++attempt) {
        std::optional<std::filesystem::path> name = candidates(attempt);
        if (!name) return std::nullopt;
        if (!nameInUse(*name)) return name;
    }
    return std::nullopt;
}

// The no-replace move is the real test of a name: looking first would only
// tell what was free a moment ago.
MoveResult publishFirstFree(PendingFile& file, const NameCandidates& candidates, int attempt,
                            std::filesystem::path& chosen) {
    for (; attempt < maxAttempts; ++attempt) {
        const std::optional<std::filesystem::path> name = candidates(attempt);
        if (!name) break;
        chosen = *name;
        const MoveResult result = file.publishAs(*name);
        if (result != MoveResult::nameTaken) return result;
    }
    return MoveResult::nameTaken;
}

std::optional<ExportError> writeExportFileFirstFree(const PictureWriter& picture, OutputSpace space,
                                                    const std::filesystem::path& source,
                                                    const NameCandidates& candidates,
                                                    std::filesystem::path* written) {
    int attempt = 0;
    std::optional<std::filesystem::path> first = firstFreeName(candidates, attempt);
    if (!first) {
        const auto plain = candidates(0);
        return ExportError::cannotWriteTo(plain ? *plain : source);
    }
    std::optional<PendingFile> file = PendingFile::create(*first);
    if (!file) return ExportError::cannotWriteTo(*first);

    if (!picture(file->fd()) || !copyMetadata(source, file->path(), space) || !file->finish()) {
        return ExportError::couldNotFinish(*first);
    }
    std::filesystem::path chosen = *first;
    switch (publishFirstFree(*file, candidates, attempt, chosen)) {
        case MoveResult::moved:
            if (written) *written = chosen;
            return std::nullopt;
        case MoveResult::nameTaken: return ExportError::cannotWriteTo(chosen);
        case MoveResult::failed: break;
    }
    return ExportError::couldNotFinish(chosen);
}

std::optional<ExportError> writeExportFileFirstFree(EncodedImage pixels, const FileSettings& settings,
                                                    const std::filesystem::path& source,
                                                    const NameCandidates& candidates,
                                                    std::filesystem::path* written) {
    return writeExportFileFirstFree(encodedWriter(pixels, settings), settings.space, source, candidates, written);
}

}  // namespace ombrel
