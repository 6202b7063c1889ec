#include "PropertiesReader.h"

#include "FileBytes.h"
#include "HeifDecoder.h"
#include "MetadataReader.h"
#include "RawGeometry.h"

#include "model/SupportedFiles.h"

#include <string_view>

namespace ombrel {

namespace {

std::optional<ImageProperties> heifProperties(const std::filesystem::path& file) {
    const auto info = HeifDecoder::readInfo(file);
    if (!info) return std::nullopt;
    ImageProperties p;
    MetadataReader::addExifBlock(info->exif, p);
    MetadataReader::addXmpPacket(
        std::string_view(reinterpret_cast<const char*>(info->xmp.data()), info->xmp.size()), p);
    p.pixelWidth = info->width;
    p.pixelHeight = info->height;
    p.orientation = 1;
    return p;
}

}  // namespace

std::optional<ImageProperties> readProperties(const std::filesystem::path& file) {
    try {
        if (HeifDecoder::isHeif(readFileHead(file, 64))) {
            if (auto p = heifProperties(file)) return p;
        }
        const auto meta = MetadataReader::read(file);
        const bool rawFile = isRawFile(file) || (meta && meta->cameraRaw);
        if (rawFile || !meta || !meta->properties.pixelWidth) {
            if (const auto geometry = raw::readGeometry(file)) {
                ImageProperties p = meta ? meta->properties : ImageProperties{};
                p.pixelWidth = geometry->size.width;
                p.pixelHeight = geometry->size.height;
                p.orientation = geometry->orientation;
                return p;
            }
        }
        if (!meta) return std::nullopt;
        ImageProperties p = meta->properties;
        if (rawFile) {
            // Exiv2 often sees a preview's size in RAW containers; LibRaw's is the only true one.
            p.pixelWidth.reset();
            p.pixelHeight.reset();
        }
        if (p.pixelWidth && !p.orientation) p.orientation = 1;
        return p;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel
