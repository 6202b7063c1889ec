#pragma once

#include "LinearMapping.h"
#include "Samples.h"

#include "render/PixelBuffer.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ombrel::ColorProfile {

// The table-and-matrix form of 8-bit grey or RGB samples' colour space: sRGB
// when they carry no profile (or one that cannot be read or does not describe
// them), the profile's own curves and matrix for a matrix/shaper RGB profile.
// Nothing for other layouts and other profiles (those need `toWorking`).
std::optional<LinearMapping> linearMapping(const Samples& samples);

// Converts samples through their embedded ICC profile into the working space
// (linear sRGB, float, unbounded: colours outside sRGB keep negative or >1
// components). Nothing when the profile cannot be read or does not describe
// the samples' colour model; the caller then takes them as sRGB.
std::optional<Image> toWorking(const Samples& samples);

// CIE xy chromaticities of an RGB space's primaries and white point.
struct Chromaticities {
    double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};

// An ICC profile for an RGB space given by chromaticities with the sRGB
// transfer curve (or a linear one), for files that describe their colour
// space by numbers instead of a profile. Empty on failure.
std::vector<std::uint8_t> rgbProfile(const Chromaticities& space, bool linearTransfer);

}  // namespace ombrel::ColorProfile
