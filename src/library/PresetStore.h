#pragma once

#include "model/Preset.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace ombrel::PresetStore {

// Where the user's presets live: "Ombrel/presets.json" in $XDG_DATA_HOME, or
// in ~/.local/share when that is unset, empty or not an absolute path.
// Nothing when no home folder can be found either.
std::optional<std::filesystem::path> defaultFile();

// The presets in `file`. Its folder is created first (with the folders above
// it) so a later save has somewhere to go. A missing, unreadable or
// undecodable file gives no presets, without a word: one bad entry spoils
// the whole file.
std::vector<Preset> read(const std::filesystem::path& file);

// Replaces `file` in one step with the compact JSON of `presets`; false when
// it could not be written (the old file, if any, is then left as it was).
bool write(const std::filesystem::path& file, const std::vector<Preset>& presets);

}  // namespace ombrel::PresetStore
