#pragma once

#include <array>
#include <filesystem>
#include <string_view>

namespace ombrel {

// A file is a photo when its extension, in lower case, is in one of these sets.
inline constexpr std::array<std::string_view, 8> rawExts{"cr2", "cr3", "nef", "arw",
                                                        "dng", "raf", "orf", "rw2"};
inline constexpr std::array<std::string_view, 5> stdExts{"jpg", "jpeg", "heic", "heif", "png"};

bool isRawFile(const std::filesystem::path& file);
bool isPhotoFile(const std::filesystem::path& file);

}  // namespace ombrel
