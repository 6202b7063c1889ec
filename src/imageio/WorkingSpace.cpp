#include "WorkingSpace.h"

#include "ColorProfile.h"
#include "LinearMapping.h"
#include "MappedResample.h"

#include "render/Resample.h"
#include "render/SrgbTables.h"

#include <tbb/parallel_for.h>

#include <new>

namespace ombrel {

namespace {

// One row of untagged 16-bit or CMYK samples to linear RGBA. `L` is fixed per
// call, so the inner loop carries no layout switch.
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
    } else {
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
    }
}

template <SampleLayout L>
Image untagged(const Samples& s) {
    Image out(s.width, s.height);
    tbb::parallel_for(0, s.height, [&](int y) { untaggedRow<L>(s.row(y), out.row(y), s.width, s.cmykInverted); });
    return out;
}

Image convertUntagged(const Samples& s) {
    switch (s.layout) {
        case SampleLayout::Cmyk8: return untagged<SampleLayout::Cmyk8>(s);
        case SampleLayout::Gray16: return untagged<SampleLayout::Gray16>(s);
        case SampleLayout::GrayAlpha16: return untagged<SampleLayout::GrayAlpha16>(s);
        case SampleLayout::Rgb16: return untagged<SampleLayout::Rgb16>(s);
        case SampleLayout::Rgba16: return untagged<SampleLayout::Rgba16>(s);
        default: return applyMapping(s, srgbMapping());
    }
}

bool usable(const Samples& s) { return s.width > 0 && s.height > 0 && s.data; }

}  // namespace

std::optional<Image> toWorkingImage(const Samples& samples) {
    if (!usable(samples)) return std::nullopt;
    try {
        if (const auto mapping = ColorProfile::linearMapping(samples)) return applyMapping(samples, *mapping);
        if (!samples.icc.empty()) {
            if (auto tagged = ColorProfile::toWorking(samples)) return tagged;
        }
        return convertUntagged(samples);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<Image> toWorkingImage(const Samples& samples, int width, int height) {
    if (!usable(samples) || width <= 0 || height <= 0) return std::nullopt;
    try {
        if (width == samples.width && height == samples.height) return toWorkingImage(samples);
        if (const auto mapping = ColorProfile::linearMapping(samples)) {
            return resampleMapped(samples, *mapping, width, height);
        }
        auto image = toWorkingImage(samples);
        if (!image) return std::nullopt;
        return resample(*image, width, height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace ombrel
