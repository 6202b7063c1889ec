#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace ombrel {

// The whole file; nothing when it cannot be read or is larger than any photo
// we open (1 GiB).
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& file);

// At most the first `count` bytes, for recognising the format.
std::vector<std::uint8_t> readFileHead(const std::filesystem::path& file, std::size_t count);

}  // namespace ombrel
