#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ombrel {

// What the JPEG header segments say about colour, read before the scan data.
struct JpegColourInfo {
    std::vector<std::uint8_t> icc;  // the ICC profile reassembled from its APP2 chunks; empty when absent or incomplete
    bool adobe = false;             // an Adobe APP14 segment: CMYK is stored inverted
};

JpegColourInfo readJpegColourInfo(std::span<const std::uint8_t> jpeg);

}  // namespace ombrel
