#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// Writes `bytes` to `target` through a hidden temporary file in the same folder
// that is renamed over the target once it is completely on disk, so a reader
// sees either the old file or the new one, never a mix. On any failure the
// temporary file is removed and the old target stays as it was.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The start of a hidden temporary's name for `target` in the same folder:
// "." + the target's name + ".tmp-", the name cut short (at a character
// boundary) so that a random number of up to 9 digits still fits the 255
// bytes a file name may have. The leading dot keeps a leftover from a crash
// out of folder listings.
std::string temporaryStem(const std::filesystem::path& target);

// The whole file, or nothing when it is missing, unreadable, not a regular
// file or larger than `maxBytes` (checked before anything is read).
std::optional<std::string> readSmallFile(const std::filesystem::path& file, std::size_t maxBytes);

// Documents of our own (sidecars, presets) are small; anything bigger is not ours.
inline constexpr std::size_t maxDocumentBytes = 4 * 1024 * 1024;

}  // namespace ombrel
