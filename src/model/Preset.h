#pragma once

#include "EditSettings.h"
#include "Uuid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrel {

// A named, reusable set of adjustments. User presets are stored together as
// one JSON array; built-in ones live in the program.
struct Preset {
    Uuid id;
    std::string name;
    EditSettings settings;

    bool operator==(const Preset&) const = default;
};

// Compact JSON array of presets in list order; nothing for non-finite numbers.
std::optional<std::string> encodePresets(const std::vector<Preset>& presets);

// The whole array or nothing: one bad element makes the file unreadable.
std::optional<std::vector<Preset>> decodePresets(std::string_view bytes);

}  // namespace ombrel
