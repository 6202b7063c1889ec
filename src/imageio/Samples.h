#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ombrel {

// How a decoder hands over its pixels: interleaved 8-bit or native-endian
// 16-bit samples, in the file's own colour space.
enum class SampleLayout { Gray8, GrayAlpha8, Rgb8, Rgba8, Cmyk8, Gray16, GrayAlpha16, Rgb16, Rgba16 };

constexpr int channelCount(SampleLayout l) {
    switch (l) {
        case SampleLayout::Gray8:
        case SampleLayout::Gray16: return 1;
        case SampleLayout::GrayAlpha8:
        case SampleLayout::GrayAlpha16: return 2;
        case SampleLayout::Rgb8:
        case SampleLayout::Rgb16: return 3;
        case SampleLayout::Rgba8:
        case SampleLayout::Rgba16:
        case SampleLayout::Cmyk8: return 4;
    }
    return 0;
}

constexpr bool isSixteenBit(SampleLayout l) {
    return l == SampleLayout::Gray16 || l == SampleLayout::GrayAlpha16 || l == SampleLayout::Rgb16 ||
           l == SampleLayout::Rgba16;
}

constexpr bool hasAlpha(SampleLayout l) {
    return l == SampleLayout::GrayAlpha8 || l == SampleLayout::Rgba8 || l == SampleLayout::GrayAlpha16 ||
           l == SampleLayout::Rgba16;
}

constexpr bool isGray(SampleLayout l) {
    return l == SampleLayout::Gray8 || l == SampleLayout::GrayAlpha8 || l == SampleLayout::Gray16 ||
           l == SampleLayout::GrayAlpha16;
}

constexpr std::size_t bytesPerPixel(SampleLayout l) {
    return static_cast<std::size_t>(channelCount(l)) * (isSixteenBit(l) ? 2 : 1);
}

// A decoded picture before colour conversion. `data` points into memory kept
// alive by `owner` (a decoder's own buffer), so nothing is copied on the way
// to the working space.
struct Samples {
    int width = 0;
    int height = 0;
    SampleLayout layout = SampleLayout::Rgb8;
    const std::uint8_t* data = nullptr;
    std::size_t stride = 0;  // bytes from one row to the next
    std::shared_ptr<const void> owner;
    std::vector<std::uint8_t> icc;  // embedded profile, empty when untagged
    bool cmykInverted = false;      // Adobe-style CMYK: 255 means no ink

    const std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * stride; }
};

// Gives `s` (size and layout already set) a packed buffer of its own and
// returns where the decoder writes it.
inline std::uint8_t* allocateRows(Samples& s) {
    s.stride = static_cast<std::size_t>(s.width) * bytesPerPixel(s.layout);
    std::shared_ptr<std::uint8_t[]> buffer(new std::uint8_t[s.stride * s.height]);
    s.data = buffer.get();
    s.owner = buffer;
    return buffer.get();
}

}  // namespace ombrel
