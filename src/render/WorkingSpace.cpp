#include "WorkingSpace.h"

#include "ColorProfile.h"
#include "SrgbTransfer.h"

#include <tbb/parallel_for.h>

#include <new>

namespace ombrel {

namespace {

// One row of untagged samples to linear RGBA. `L` is fixed per call, so the
// inner loop carries no layout switch.
template <SampleLayout L>
void untaggedRow(const std::uint8_t* bytes, float* out, int width, bool cmykInverted) {
    constexpr int n = channelCount(L);
    if constexpr (L == SampleLayout::Cmyk8) {
        const float* lut = srgbProductToLinear();
        for (int x = 0; x < width; ++x, bytes += 4, out += 4) {
            // Ink left per channel: the stored value when inverted (255 = no ink).
            const int k = cmykInverted ? bytes[3] : 255 - bytes[3];
            for (int c = 0; c < 3; ++c) out[c] = lut[(cmykInverted ? bytes[c] : 255 - bytes[c]) * k];
            out[3] = 1.0f;
        }
    } else if constexpr (isSixteenBit(L)) {
        const float* lut = srgb16ToLinear();
        const auto* in = reinterpret_cast<const std::uint16_t*>(bytes);
        for (int x = 0; x < width; ++x, in += n, out += 4) {
            if constexpr (isGray(L)) {
                out[0] = out[1] = out[2] = lut[in[0]];
            } else {
                for (int c = 0; c < 3; ++c) out[c] = lut[in[c]];
            }
            out[3] = hasAlpha(L) ? in[n - 1] / 65535.0f : 1.0f;
        }
    } else {
        const float* lut = srgb8ToLinear();
        for (int x = 0; x < width; ++x, bytes += n, out += 4) {
            if constexpr (isGray(L)) {
                out[0] = out[1] = out[2] = lut[bytes[0]];
            } else {
                for (int c = 0; c < 3; ++c) out[c] = lut[bytes[c]];
            }
            out[3] = hasAlpha(L) ? bytes[n - 1] / 255.0f : 1.0f;
        }
    }
}

template <SampleLayout L>
void untagged(const Samples& s, Image& out) {
    tbb::parallel_for(0, s.height, [&](int y) { untaggedRow<L>(s.row(y), out.row(y), s.width, s.cmykInverted); });
}

void convertUntagged(const Samples& s, Image& out) {
    switch (s.layout) {
        case SampleLayout::Gray8: untagged<SampleLayout::Gray8>(s, out); break;
        case SampleLayout::GrayAlpha8: untagged<SampleLayout::GrayAlpha8>(s, out); break;
        case SampleLayout::Rgb8: untagged<SampleLayout::Rgb8>(s, out); break;
        case SampleLayout::Rgba8: untagged<SampleLayout::Rgba8>(s, out); break;
        case SampleLayout::Cmyk8: untagged<SampleLayout::Cmyk8>(s, out); break;
        case SampleLayout::Gray16: untagged<SampleLayout::Gray16>(s, out); break;
        case SampleLayout::GrayAlpha16: untagged<SampleLayout::GrayAlpha16>(s, out); break;
        case SampleLayout::Rgb16: untagged<SampleLayout::Rgb16>(s, out); break;
        case SampleLayout::Rgba16: untagged<SampleLayout::Rgba16>(s, out); break;
    }
}

}  // namespace

std::optional<Image> toWorkingImage(const Samples& samples) {
    if (samples.width <= 0 || samples.height <= 0 || !samples.data) return std::nullopt;
    try {
        if (!samples.icc.empty()) {
            if (auto tagged = ColorProfile::toWorking(samples)) return tagged;
        }
        Image image(samples.width, samples.height);
        convertUntagged(samples, image);
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace ombrel
