#pragma once

#include <filesystem>
#include <optional>

namespace ombrel::raw {

// LibRaw describes orientation as flip bits (1 mirrors columns, 2 mirrors
// rows, 4 transposes, applied to the output position in that order); the rest
// of the program speaks EXIF orientation 1...8. Unknown bits give 1.
int orientationFromFlip(int flip);

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// LibRaw's processed size for a sensor area of `width` x `height` whose
// pixels are not square: it stretches the short axis, as LibRaw does.
Size stretchedSize(int width, int height, double pixelAspect);

// The size of a reduced decode: each side of `full` times `scale`, rounded,
// at least 1.
Size reducedSize(Size full, double scale);

// LibRaw's half-size mode (one pixel per 2x2 sensor block, no demosaicing)
// is used whenever the requested scale can be reached by reducing it.
constexpr bool useHalfSize(double scale) { return scale <= 0.5; }

// The size LibRaw develops a RAW file to (before turning it upright) and the
// turn it applies, read from the headers without unpacking the sensor data.
struct Geometry {
    Size size;
    int orientation = 1;
};
std::optional<Geometry> readGeometry(const std::filesystem::path& file);

}  // namespace ombrel::raw
