#pragma once

#include <cstddef>
#include <cstdint>

namespace ombrel {

// The largest picture any decoder accepts (256 megapixels, above every camera
// made): a damaged header claiming more is refused instead of allocating
// gigabytes or grinding through empty data.
inline constexpr std::int64_t maxDecodePixels = std::int64_t{1} << 28;

constexpr bool acceptableSize(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width * height <= maxDecodePixels;
}

// Compressed data can only be so dense. A Huffman-coded JPEG spends at least
// one bit on every 8 x 8 block (512 pixels a byte at the very best); deflate
// packs at most about 1032 bytes into one, 8 pixels each at 1 bit deep. A
// header claiming more pixels than its file could describe is damaged (or
// hostile), and decoding it would only fill memory with grey.
inline constexpr std::int64_t maxJpegPixelsPerByte = 1024;
inline constexpr std::int64_t maxPngPixelsPerByte = 8448;

constexpr bool plausibleForFile(std::int64_t width, std::int64_t height, std::size_t fileBytes,
                                std::int64_t maxPixelsPerByte) {
    return acceptableSize(width, height) &&
           width * height <= static_cast<std::int64_t>(fileBytes) * maxPixelsPerByte;
}

}  // namespace ombrel
