#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ombrel {

// 64-bit FNV-1a over the bytes of `text`.
std::uint64_t fnv1a64(std::string_view text);

// "path|mtime": the modification time in seconds since 1970 as the shortest
// decimal that reads back to the same double, always with a fractional part;
// 0.0 when the time cannot be read.
std::string thumbnailKeyText(const std::filesystem::path& file);

// The cache key of a photo file: the FNV-1a hash of its key text in lowercase
// hexadecimal without leading zeros. It changes when the file is modified or
// moved, so stale thumbnails are simply never asked for again.
std::string thumbnailKey(const std::filesystem::path& file);

}  // namespace ombrel
