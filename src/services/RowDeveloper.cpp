#include "RowDeveloper.h"

#include <algorithm>

namespace ombrel {
namespace {

// Into linear working colour, each channel in its own row; the same numbers
// as the whole-picture mapping, pixel for pixel.
template <SampleLayout L>
void linearise(const LinearMapping& m, const std::uint8_t* in, int n, float* r, float* g, float* b) {
    constexpr int channels = channelCount(L);
    for (int x = 0; x < n; ++x, in += channels) {
        float rgb[3];
        if constexpr (L == SampleLayout::Gray8) {
            rgb[0] = rgb[1] = rgb[2] = m.table[0][in[0]];
        } else {
            rgb[0] = m.table[0][in[0]];
            rgb[1] = m.table[1][in[1]];
            rgb[2] = m.table[2][in[2]];
        }
        applyMatrix(m, rgb);
        r[x] = rgb[0];
        g[x] = rgb[1];
        b[x] = rgb[2];
    }
}

}  // namespace

bool RowDeveloper::takes(const std::vector<Stage>& stages) {
    return std::all_of(stages.begin(), stages.end(), [](const Stage& s) {
        return PixelProgram::isPixelStage(s) || std::holds_alternative<stage::Vignette>(s);
    });
}

std::optional<RowDeveloper> RowDeveloper::make(const std::vector<Stage>& stages, const LinearMapping& mapping,
                                               SampleLayout layout, int width, OutputSpace space) {
    if ((layout != SampleLayout::Gray8 && layout != SampleLayout::Rgb8) || width <= 0 || !takes(stages)) {
        return std::nullopt;
    }
    RowDeveloper developer(mapping, layout, width, space);
    for (const Stage& s : stages) {
        if (const auto* vignette = std::get_if<stage::Vignette>(&s)) {
            developer.vignette_ = vignette->params;
        } else {
            developer.program_.append(s);
        }
    }
    return developer;
}

void RowDeveloper::develop(const std::uint8_t* samples, int y, float* scratch, std::uint8_t* rgb) const {
    const int n = width_;
    float* r = scratch;
    float* g = r + n;
    float* b = g + n;
    float* rgba = b + n;
    if (layout_ == SampleLayout::Gray8) {
        linearise<SampleLayout::Gray8>(mapping_, samples, n, r, g, b);
    } else {
        linearise<SampleLayout::Rgb8>(mapping_, samples, n, r, g, b);
    }
    program_.run(r, g, b, n);
    if (vignette_) {
        // Pixel centres, the positions the engine hands the vignette.
        float* xs = rgba;
        float* ys = rgba + n;
        for (int x = 0; x < n; ++x) {
            xs[x] = static_cast<float>(x + 0.5);
            ys[x] = static_cast<float>(y + 0.5);
        }
        ops::applyVignette(*vignette_, xs, ys, r, g, b, n);
    }
    for (int x = 0; x < n; ++x) {
        float* p = rgba + 4 * std::size_t(x);
        p[0] = r[x];
        p[1] = g[x];
        p[2] = b[x];
        p[3] = 1.0f;
    }
    color_.encode(rgba, n, rgb);
}

}  // namespace ombrel
