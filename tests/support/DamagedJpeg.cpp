#include "DamagedJpeg.h"

#include <stdexcept>

namespace ombrel::test {

std::vector<std::uint8_t> withSecondFrameHeader(const std::vector<std::uint8_t>& jpeg) {
    // Header segments follow the start marker until the first scan.
    std::size_t sofStart = 0, sofEnd = 0;
    for (std::size_t i = 2; i + 4 <= jpeg.size() && jpeg[i] == 0xff;) {
        const std::uint8_t marker = jpeg[i + 1];
        const std::size_t length = (std::size_t(jpeg[i + 2]) << 8) | jpeg[i + 3];
        if (marker >= 0xc0 && marker <= 0xc2) {
            sofStart = i;
            sofEnd = i + 2 + length;
        }
        if (marker == 0xda) break;
        i += 2 + length;
    }
    if (sofEnd == 0 || sofEnd > jpeg.size() || jpeg.size() < 2 || jpeg[jpeg.size() - 2] != 0xff ||
        jpeg.back() != 0xd9) {
        throw std::runtime_error("not a complete JPEG with a frame header");
    }
    std::vector<std::uint8_t> damaged(jpeg.begin(), jpeg.end() - 2);
    damaged.insert(damaged.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(sofStart),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(sofEnd));
    damaged.push_back(0xff);
    damaged.push_back(0xd9);
    return damaged;
}

}  // namespace ombrel::test
