#pragma once

#include <filesystem>
#include <optional>

namespace ombrel::RawGeometry {

// The size of the picture LibRaw develops from a RAW file (before turning it
// upright) and the turn it applies, as an EXIF orientation; read from the
// headers without unpacking the sensor data.
struct Geometry {
    int width = 0;
    int height = 0;
    int orientation = 1;
};

std::optional<Geometry> read(const std::filesystem::path& file);

// LibRaw's flip code (0...7) as the EXIF orientation that turns the picture
// the same way.
int orientationFromFlip(int flip);

}  // namespace ombrel::RawGeometry
