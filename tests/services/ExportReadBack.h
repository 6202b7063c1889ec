#pragma once

#include "render/PixelBuffer.h"
#include "services/ExportError.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ombrel {

// Failed expectations show the error's code and text.
inline void PrintTo(const ExportError& error, std::ostream* out) {
    *out << "{" << error.code << ", \"" << error.message << "\"}";
}

}  // namespace ombrel

namespace ombrel::test {

// An image file as a viewer reads it back.
struct ReadBack {
    int width = 0, height = 0;
    int bitsPerSample = 0, channels = 0;
    std::vector<std::uint8_t> icc;
    std::vector<std::uint16_t> samples;  // interleaved, row after row

    std::uint16_t sample(int x, int y, int c) const { return samples[(std::size_t(y) * width + x) * channels + c]; }
};

std::optional<ReadBack> readJpeg(const std::filesystem::path& file);
std::optional<ReadBack> readTiff(const std::filesystem::path& file);
std::optional<ReadBack> readPng(const std::filesystem::path& file);

// Every Exif tag Exiv2 reads from `file`, key to text; empty when none.
std::map<std::string, std::string> readExif(const std::filesystem::path& file);

// What an ICC profile says about itself, primaries as D65 chromaticities.
struct ProfileInfo {
    std::string description;
    std::array<std::array<double, 2>, 3> primaries{};  // red, green, blue (x, y)
};
std::optional<ProfileInfo> describeProfile(const std::vector<std::uint8_t>& icc);

// Test fixtures.
void writeJpegFixture(const std::filesystem::path& file, const Bitmap8& pixels, int quality = 95);
// Sets Exif tags (key to text, typed by Exiv2's defaults for the key) and,
// when given, an embedded thumbnail.
void addExif(const std::filesystem::path& file, const std::map<std::string, std::string>& tags,
             const std::optional<Bitmap8>& thumbnail = std::nullopt);

// A picture with detail everywhere (seeded noise over gradients).
Bitmap8 noisyBitmap(int width, int height, unsigned seed = 1);

// A real photo enlarged to 6000 x 4000 with the fine grain and the tags a
// camera adds (Make "Sony", FNumber 16/1); made once per run, so copy it
// before writing beside it. Needs the test data.
const std::filesystem::path& largeCameraJpeg();

}  // namespace ombrel::test
