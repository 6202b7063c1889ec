#pragma once

#include "model/EditSettings.h"

#include <array>
#include <vector>

namespace ombrel {

// The three colour tables, on sRGB-encoded values, as cubes of RGBA floats
// (red fastest, then green, then blue; grid value i / (N - 1)).
inline constexpr int toneCubeSize = 64;
inline constexpr int hslCubeSize = 33;
inline constexpr int clipCubeSize = 64;

// The five basic tone sliders applied to one sRGB-encoded level (before the
// point curves), clamped to 0...1.
double basicTone(double x, const EditSettings& settings);

// One colour (sRGB-encoded, 0...1) through the per-band HSV shifts.
std::array<double, 3> hslAdjust(double r, double g, double b, const HSLSettings& hsl);

// The basic tone sliders and the four curves as one 64-entry table per
// channel. The tone cube is these three tables laid out as a cube, so the
// channels never mix.
std::array<std::vector<float>, 3> toneChannels(const EditSettings& settings);
std::vector<float> toneCube(const std::array<std::vector<float>, 3>& channels);

// What the tone table depends on, as doubles: the five sliders, then each
// curve's points in stored order followed by -1. Exposure is not part of it.
std::vector<double> toneKey(const EditSettings& settings);

// Per-band hue, saturation and brightness shifts in HSV.
std::vector<float> hslCube(const HSLSettings& hsl);

// Red where any channel reaches 0.985, blue where all are at 0.02 or below.
std::vector<float> clipCube();

}  // namespace ombrel
