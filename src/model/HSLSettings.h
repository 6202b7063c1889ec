#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace ombrel {

inline constexpr std::size_t hslBandCount = 8;

// Band labels and hue centres (degrees), in the index order of the arrays.
// The centres are deliberately uneven: gaps of 30, 30, 60, 60, 60, 30, 30, 60.
inline constexpr std::array<std::string_view, hslBandCount> hslBandLabels{
    "Red", "Orange", "Yellow", "Green", "Aqua", "Blue", "Purple", "Magenta"};
inline constexpr std::array<double, hslBandCount> hslBandCentres{0, 30, 60, 120, 180, 240, 270, 300};

// Per-band hue, saturation and luminance shifts in percent. Arrays are vectors
// so that decoding can see (and reject) a hand-edited file with the wrong
// length; every value that reaches rendering holds exactly eight entries.
struct HSLSettings {
    std::vector<double> hue = std::vector<double>(hslBandCount, 0.0);
    std::vector<double> sat = std::vector<double>(hslBandCount, 0.0);
    std::vector<double> lum = std::vector<double>(hslBandCount, 0.0);

    bool operator==(const HSLSettings&) const = default;

    // True when every array is eight zeros (-0.0 counts as zero).
    bool isNeutral() const;
};

}  // namespace ombrel
