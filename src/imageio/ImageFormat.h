#pragma once

#include <cstdint>
#include <span>

namespace ombrel {

enum class ImageFormat { Jpeg, Png, Heif, Unknown };

// The format by the file's first bytes (a dozen or more), not its name.
ImageFormat sniffFormat(std::span<const std::uint8_t> head);

}  // namespace ombrel
