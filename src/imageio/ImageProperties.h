#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ombrel {

// What a photo file says about itself, read without decoding pixels. Each
// member is absent when the file does not carry it (or carries it with
// another type).
struct ImageProperties {
    // Stored pixel size, before orientation.
    std::optional<std::int64_t> pixelWidth;
    std::optional<std::int64_t> pixelHeight;
    std::optional<int> orientation;  // EXIF 1...8

    // TIFF tags.
    std::optional<std::string> make;
    std::optional<std::string> model;

    // EXIF tags.
    std::optional<std::string> lensModel;
    std::optional<std::vector<std::int64_t>> isoSpeedRatings;
    std::optional<double> fNumber;
    std::optional<double> exposureTime;  // seconds
    std::optional<double> focalLength;   // millimetres
    std::optional<std::string> dateTimeOriginal;

    // Auxiliary lens name (XMP aux:Lens), for files without an EXIF lens model.
    std::optional<std::string> auxLensModel;

    bool operator==(const ImageProperties&) const = default;
};

}  // namespace ombrel
