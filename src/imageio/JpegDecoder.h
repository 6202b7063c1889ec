#pragma once

#include "Samples.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ombrel::JpegDecoder {

struct Size {
    int width = 0;
    int height = 0;
};

// Stored size from the frame header, without decoding.
std::optional<Size> storedSize(std::span<const std::uint8_t> jpeg);

// The DCT scale denominator (1, 2, 4 or 8) that decodes the fewest pixels
// while keeping the longer side at least `minLongSide` (0: full size).
int scaleDenominator(Size stored, int minLongSide);

// Decodes at 1/`denominator` of the stored size, keeping the file's colour
// model (grey, RGB or CMYK) and its ICC profile. A damaged or truncated scan
// still gives the rows that decode (the rest grey); nothing when the header
// or the decoder fails outright.
std::optional<Samples> decode(std::span<const std::uint8_t> jpeg, int denominator);

}  // namespace ombrel::JpegDecoder
