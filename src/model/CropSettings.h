#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombrel {

// The aspect locks the crop tool offers, in menu order.
inline constexpr std::array<std::string_view, 7> cropAspectChoices{
    "Free", "Original", "1:1", "4:3", "3:2", "16:9", "5:4"};

// Flip, quarter turns, straighten angle and the crop rectangle, as fractions of
// the flipped, turned and straightened image with the origin at the top left.
struct CropSettings {
    double x = 0;
    double y = 0;
    double w = 1;
    double h = 1;
    double angle = 0;           // degrees, positive turns clockwise
    std::int64_t quarterTurns = 0;  // rendering uses the two lowest bits only
    bool flipH = false;
    bool flipV = false;
    std::string aspect = "Free";
    bool aspectSwapped = false;

    bool operator==(const CropSettings&) const = default;
};

}  // namespace ombrel
