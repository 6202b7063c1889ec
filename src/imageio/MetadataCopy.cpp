#include "MetadataCopy.h"

#include "Exiv2Setup.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <array>
#include <mutex>

namespace ombrel {
namespace {

constexpr std::uint16_t tagColorSpace = 0xa001;

// TIFF tags that say something about the photo rather than its pixel layout.
constexpr std::array<std::uint16_t, 11> descriptiveTiffTags{
    0x010e,  // ImageDescription
    0x010f,  // Make
    0x0110,  // Model
    0x011a,  // XResolution
    0x011b,  // YResolution
    0x0128,  // ResolutionUnit
    0x0131,  // Software
    0x0132,  // DateTime
    0x013b,  // Artist
    0x013c,  // HostComputer
    0x8298,  // Copyright
};

// Exif sub-IFD tags that no longer hold for the exported pixels; the colour
// space is set anew.
constexpr std::array<std::uint16_t, 5> staleExifTags{
    0x927c,       // MakerNote
    tagColorSpace,
    0xa002,       // PixelXDimension
    0xa003,       // PixelYDimension
    0xa005,       // Interoperability IFD pointer
};

// The carried tags of `source`; empty when it cannot be read.
Exiv2::ExifData carriedExif(const std::filesystem::path& source) {
    Exiv2::ExifData carried;
    try {
        auto image = Exiv2::ImageFactory::open(source.string());
        if (!image.get()) return carried;
        const std::lock_guard lock(exiv2::xmpMutex());
        image->readMetadata();
        for (const Exiv2::Exifdatum& datum : image->exifData()) {
            if (carriesTag(datum.groupName(), datum.tag())) carried.add(datum);
        }
    } catch (...) {
        carried.clear();
    }
    return carried;
}

bool hasExifSubIfd(const Exiv2::ExifData& exif) {
    return std::any_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& d) { return d.groupName() == "Photo"; });
}

}  // namespace

bool carriesTag(std::string_view group, std::uint16_t tag) {
    if (group == "Photo") return std::find(staleExifTags.begin(), staleExifTags.end(), tag) == staleExifTags.end();
    if (group == "Image") {
        return std::find(descriptiveTiffTags.begin(), descriptiveTiffTags.end(), tag) != descriptiveTiffTags.end();
    }
    return false;
}

bool copyMetadata(const std::filesystem::path& source, const std::filesystem::path& written, OutputSpace space) {
    exiv2::initialise();
    const Exiv2::ExifData carried = carriedExif(source);
    try {
        auto image = Exiv2::ImageFactory::open(written.string());
        if (!image.get()) return false;
        // Start from what the file already holds: for TIFF that is its own
        // pixel layout and ICC profile, which must stay. The lock covers the
        // read and the write.
        const std::lock_guard lock(exiv2::xmpMutex());
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        for (const Exiv2::Exifdatum& datum : carried) exif[datum.key()].setValue(&datum.value());
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
        if (hasExifSubIfd(carried)) {
            // 1 is sRGB; other spaces are "uncalibrated" and rely on the ICC profile.
            exif["Exif.Photo.ColorSpace"] = static_cast<std::uint16_t>(space == OutputSpace::srgb ? 1 : 0xffff);
        }
        image->writeMetadata();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace ombrel
