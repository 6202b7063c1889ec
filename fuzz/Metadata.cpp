// The EXIF reader over any bytes: whole files as Exiv2 sees them, the bare
// EXIF and XMP blocks HEIF files carry, the EXIF thumbnail, and the Info
// lines made from whatever was read.
#include "imageio/MetadataReader.h"
#include "services/ExifReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace ombrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto metadata = MetadataReader::read(bytes)) ExifReader::lines(metadata->properties);
    MetadataReader::exifThumbnail(bytes);

    ImageProperties blocks;
    MetadataReader::addExifBlock(bytes, blocks);
    MetadataReader::addXmpPacket(std::string_view(reinterpret_cast<const char*>(data), size), blocks);
    ExifReader::lines(blocks);
    return 0;
}
