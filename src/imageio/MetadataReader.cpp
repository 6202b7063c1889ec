#include "MetadataReader.h"

#include "Exiv2Setup.h"

#include <exiv2/exiv2.hpp>

#include <mutex>
#include <string>

namespace ombrel::MetadataReader {

namespace {

bool isCameraRawType(int type) {
    switch (type) {
        case Exiv2::ImageType::crw:
        case Exiv2::ImageType::cr2:
        case Exiv2::ImageType::orf:
        case Exiv2::ImageType::raf:
        case Exiv2::ImageType::rw2:
        case Exiv2::ImageType::mrw: return true;
        default: return false;
    }
}

std::optional<std::string> text(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->typeId() != Exiv2::asciiString) return std::nullopt;
    return it->toString();
}

bool isInteger(Exiv2::TypeId t) {
    return t == Exiv2::unsignedByte || t == Exiv2::unsignedShort || t == Exiv2::unsignedLong ||
           t == Exiv2::signedByte || t == Exiv2::signedShort || t == Exiv2::signedLong;
}

// Component `i` of a numeric value; rationals divided in double precision,
// a zero denominator counting as no number.
std::optional<double> numberAt(const Exiv2::Value& v, long i) {
    if (i < 0 || i >= v.count()) return std::nullopt;
    if (const auto* u = dynamic_cast<const Exiv2::URationalValue*>(&v)) {
        const auto [num, den] = u->value_.at(static_cast<std::size_t>(i));
        if (den == 0) return std::nullopt;
        return static_cast<double>(num) / den;
    }
    if (const auto* s = dynamic_cast<const Exiv2::RationalValue*>(&v)) {
        const auto [num, den] = s->value_.at(static_cast<std::size_t>(i));
        if (den == 0) return std::nullopt;
        return static_cast<double>(num) / den;
    }
    if (isInteger(v.typeId())) return static_cast<double>(v.toLong(i));
    if (v.typeId() == Exiv2::tiffFloat || v.typeId() == Exiv2::tiffDouble) return static_cast<double>(v.toFloat(i));
    return std::nullopt;
}

std::optional<double> number(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end()) return std::nullopt;
    return numberAt(it->value(), 0);
}

std::optional<std::vector<std::int64_t>> integers(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || !isInteger(it->typeId())) return std::nullopt;
    std::vector<std::int64_t> values;
    for (long i = 0; i < it->count(); ++i) values.push_back(it->toLong(i));
    return values;
}

std::optional<int> storedOrientation(const Exiv2::ExifData& exif) {
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it == exif.end() || !isInteger(it->typeId()) || it->count() < 1) return std::nullopt;
    const long o = it->toLong(0);
    if (o < 1 || o > 8) return std::nullopt;
    return static_cast<int>(o);
}

void addTags(const Exiv2::ExifData& exif, ImageProperties& p) {
    p.make = text(exif, "Exif.Image.Make");
    p.model = text(exif, "Exif.Image.Model");
    p.lensModel = text(exif, "Exif.Photo.LensModel");
    p.isoSpeedRatings = integers(exif, "Exif.Photo.ISOSpeedRatings");
    p.fNumber = number(exif, "Exif.Photo.FNumber");
    p.exposureTime = number(exif, "Exif.Photo.ExposureTime");
    p.focalLength = number(exif, "Exif.Photo.FocalLength");
    p.dateTimeOriginal = text(exif, "Exif.Photo.DateTimeOriginal");
}

void addXmp(const Exiv2::XmpData& xmp, ImageProperties& p) {
    const auto it = xmp.findKey(Exiv2::XmpKey("Xmp.aux.Lens"));
    if (it != xmp.end() && it->typeId() == Exiv2::xmpText) p.auxLensModel = it->toString();
}

std::optional<FileMetadata> fromImage(Exiv2::Image& image) {
    const std::lock_guard lock(exiv2::xmpMutex());
    image.readMetadata();
    FileMetadata m;
    m.cameraRaw = isCameraRawType(image.imageType());
    ImageProperties& p = m.properties;
    if (image.pixelWidth() > 0 && image.pixelHeight() > 0) {
        p.pixelWidth = image.pixelWidth();
        p.pixelHeight = image.pixelHeight();
    }
    p.orientation = storedOrientation(image.exifData());
    addTags(image.exifData(), p);
    addXmp(image.xmpData(), p);
    return m;
}

}  // namespace

std::optional<FileMetadata> read(const std::filesystem::path& file) {
    try {
        exiv2::initialise();
        auto image = Exiv2::ImageFactory::open(file.string(), false);
        if (!image.get()) return std::nullopt;
        return fromImage(*image);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<FileMetadata> read(std::span<const std::uint8_t> bytes) {
    try {
        exiv2::initialise();
        auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
        if (!image.get()) return std::nullopt;
        return fromImage(*image);
    } catch (...) {
        return std::nullopt;
    }
}

void addExifBlock(std::span<const std::uint8_t> tiff, ImageProperties& properties) {
    if (tiff.empty()) return;
    try {
        exiv2::initialise();
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
        addTags(exif, properties);
    } catch (...) {
    }
}

void addXmpPacket(std::string_view packet, ImageProperties& properties) {
    if (packet.empty()) return;
    try {
        exiv2::initialise();
        const std::lock_guard lock(exiv2::xmpMutex());
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, std::string(packet)) != 0) return;
        addXmp(xmp, properties);
    } catch (...) {
    }
}

std::vector<std::uint8_t> exifThumbnail(std::span<const std::uint8_t> bytes) {
    try {
        exiv2::initialise();
        auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
        if (!image.get()) return {};
        const std::lock_guard lock(exiv2::xmpMutex());
        image->readMetadata();
        const Exiv2::ExifThumbC thumb(image->exifData());
        if (std::string(thumb.mimeType()) != "image/jpeg") return {};
        const Exiv2::DataBuf data = thumb.copy();
        if (data.size_ <= 0) return {};
        return {data.pData_, data.pData_ + data.size_};
    } catch (...) {
        return {};
    }
}

}  // namespace ombrel::MetadataReader
