#pragma once

#include "model/CropSettings.h"
#include "render/LoadedImage.h"

#include <array>
#include <functional>
#include <optional>

namespace ombrel::whitebalance {

using Rgb = std::array<float, 3>;

// The temperature and tint sliders' values.
struct Setting {
    double temperature = 0;
    double tint = 0;
    bool operator==(const Setting&) const = default;
};

// Side of the square that a pick averages, in pixels of the preview image.
inline constexpr int sampleSide = 6;

// The mean linear colour around (nx, ny) (fractions of the displayed frame,
// from the top left) of `proxy` as it looks unadjusted but with `crop`'s
// flips, turns, straightening and crop: a sampleSide square centred there,
// clipped to the frame. Nothing when the square lies wholly outside.
std::optional<Rgb> sample(const LoadedImage& proxy, const CropSettings& crop, double nx, double ny);

// `colour` rendered by the engine through the temperature-and-tint stage the
// pipeline builds for these slider values.
Rgb render(const Rgb& colour, double temperature, double tint);

// Colour of the sampled point after a white balance (temperature, tint).
using Evaluate = std::function<Rgb(double temperature, double tint)>;

// The slider values that make the evaluated colour neutral: temperature
// balances red against blue, tint green against the mean of red and blue;
// two passes, each a 16-step bisection per control over -100...100, the end
// of the range closest to neutral when no value crosses it. Rounded to 0.1.
Setting solve(const Evaluate& evaluate);

// The same for a sampled colour, against the engine; a colour that is not a
// number is treated as mid grey.
Setting solve(float r, float g, float b);

// To one decimal, halves away from zero.
double roundToTenth(double value);

}  // namespace ombrel::whitebalance
