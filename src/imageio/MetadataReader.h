#pragma once

#include "ImageProperties.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ombrel::MetadataReader {

// EXIF, TIFF and XMP tags of a file as Exiv2 reads them, with the stored size
// and EXIF orientation where the container states them. Each tag is taken
// only with the type it should have (text or number). Exiv2 errors of any
// kind end in nothing; nothing is ever thrown.
struct FileMetadata {
    ImageProperties properties;
    bool cameraRaw = false;  // the content is a camera RAW container (CRW, CR2, ORF, RAF, RW2, MRW)
};

std::optional<FileMetadata> read(const std::filesystem::path& file);
std::optional<FileMetadata> read(std::span<const std::uint8_t> bytes);

// Tags from a bare TIFF-structured EXIF block and from an XMP packet (as HEIF
// files store them), added to `properties`. Orientation is not taken: the
// container's own geometry rules there.
void addExifBlock(std::span<const std::uint8_t> tiff, ImageProperties& properties);
void addXmpPacket(std::string_view packet, ImageProperties& properties);

// The JPEG thumbnail stored in the EXIF block (IFD1); empty when there is none.
std::vector<std::uint8_t> exifThumbnail(std::span<const std::uint8_t> bytes);

}  // namespace ombrel::MetadataReader
