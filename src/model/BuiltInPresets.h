#pragma once

#include "Preset.h"

#include <vector>

namespace ombrel::BuiltInPresets {

// The five presets shipped with the program, made once per run with fresh ids
// (never stored): Neutral, Punchy, Matte, Black and white, Warm film.
const std::vector<Preset>& all();

}  // namespace ombrel::BuiltInPresets
