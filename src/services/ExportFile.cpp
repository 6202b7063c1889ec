#include "ExportFile.h"

#include "JpegWriter.h"
#include "MetadataCopy.h"
#include "PendingFile.h"
#include "PngWriter.h"
#include "TiffWriter.h"

#include <cstdio>
#include <unistd.h>

namespace ombrel {
namespace {

// Runs `write` on a stdio stream over its own copy of `fd`; false when
// writing or closing the stream fails.
template <typename Write>
bool withStream(int fd, Write write) {
    const int own = ::dup(fd);
    if (own < 0) return false;
    std::FILE* stream = ::fdopen(own, "wb");
    if (!stream) {
        ::close(own);
        return false;
    }
    const bool written = write(stream);
    const bool closed = std::fclose(stream) == 0;
    return written && closed;
}

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
        return withStream(fd, [&](std::FILE* out) { return writePng(out, *bitmap, icc, profileName(settings.space)); });
    }
    return withStream(fd, [&](std::FILE* out) {
        return writeJpeg(out, *bitmap, jpegQuality(settings.quality), icc);
    });
}

}  // namespace

std::optional<ExportError> writeExportFile(EncodedImage pixels, const FileSettings& settings,
                                           const std::filesystem::path& source, const std::filesystem::path& dest) {
    std::optional<PendingFile> file = PendingFile::create(dest);
    if (!file) return ExportError::cannotWriteTo(dest);

    const bool written = writePixels(file->fd(), pixels, settings);
    pixels = Bitmap8();  // free the pixels before the metadata pass reads the file back
    if (!written || !copyMetadata(source, file->path(), settings.space) || !file->finish()) {
        return ExportError::couldNotFinish(dest);
    }
    switch (file->publish()) {
        case MoveResult::moved: return std::nullopt;
        case MoveResult::nameTaken: return ExportError::cannotWriteTo(dest);
        case MoveResult::failed: break;
    }
    return ExportError::couldNotFinish(dest);
}

}  // namespace ombrel
