#include "RowDeveloper.h"

#include <algorithm>

#ifdef __SSE2__
#include <xmmintrin.h>
#endif

namespace ombrel {
namespace {

// Into linear working colour, each channel in its own row; the same numbers
// as the whole-picture mapping, pixel for pixel.
template <SampleLayout L, bool Matrix>
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
        if constexpr (Matrix) applyMatrix(m, rgb);
        r[x] = rgb[0];
        g[x] = rgb[1];
        b[x] = rgb[2];
    }
}

template <SampleLayout L>
void linearise(const LinearMapping& m, const std::uint8_t* in, int n, float* r, float* g, float* b) {
    if (m.identity) {
        linearise<L, false>(m, in, n, r, g, b);
    } else {
        linearise<L, true>(m, in, n, r, g, b);
    }
}

// Back to RGBA with alpha 1, as the engine hands pixels to the encoding.
void interleave(const float* r, const float* g, const float* b, int n, float* rgba) {
    int x = 0;
#ifdef __SSE2__
    for (; x + 4 <= n; x += 4) {
        __m128 red = _mm_loadu_ps(r + x), green = _mm_loadu_ps(g + x), blue = _mm_loadu_ps(b + x);
        __m128 alpha = _mm_set1_ps(1.0f);
        _MM_TRANSPOSE4_PS(red, green, blue, alpha);
        float* p = rgba + 4 * std::size_t(x);
        _mm_storeu_ps(p, red);
        _mm_storeu_ps(p + 4, green);
        _mm_storeu_ps(p + 8, blue);
        _mm_storeu_ps(p + 12, alpha);
    }
#endif
    for (; x < n; ++x) {
        float* p = rgba + 4 * std::size_t(x);
        p[0] = r[x];
        p[1] = g[x];
        p[2] = b[x];
        p[3] = 1.0f;
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
    interleave(r, g, b, n, rgba);
    color_.encode(rgba, n, rgb);
}

}  // namespace ombrel
