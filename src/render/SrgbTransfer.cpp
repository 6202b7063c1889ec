#include "SrgbTransfer.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ombrel {

float srgbToLinear(float encoded) {
    const float a = std::abs(encoded);
    const float linear = a <= 0.04045f ? a / 12.92f : std::pow((a + 0.055f) / 1.055f, 2.4f);
    return std::copysign(linear, encoded);
}

float linearToSrgb(float linear) {
    const float a = std::abs(linear);
    const float encoded = a <= 0.0031308f ? a * 12.92f : 1.055f * std::pow(a, 1.0f / 2.4f) - 0.055f;
    return std::copysign(encoded, linear);
}

namespace {

template <std::size_t N>
std::vector<float> table(double denominator) {
    std::vector<float> t(N);
    for (std::size_t i = 0; i < N; ++i) t[i] = srgbToLinear(static_cast<float>(i / denominator));
    return t;
}

}  // namespace

const float* srgb8ToLinear() {
    static const std::vector<float> t = table<256>(255.0);
    return t.data();
}

const float* srgb16ToLinear() {
    static const std::vector<float> t = table<65536>(65535.0);
    return t.data();
}

const float* srgbProductToLinear() {
    static const std::vector<float> t = table<255 * 255 + 1>(255.0 * 255.0);
    return t.data();
}

Bitmap8 toBitmap8(const Image& image) {
    Bitmap8 out(image.width(), image.height());
    tbb::parallel_for(0, image.height(), [&](int y) {
        const float* in = image.row(y);
        std::uint8_t* o = out.row(y);
        for (int x = 0; x < image.width(); ++x, in += 4, o += 3) {
            for (int c = 0; c < 3; ++c) {
                const float v = linearToSrgb(std::clamp(in[c], 0.0f, 1.0f));
                o[c] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
            }
        }
    });
    return out;
}

}  // namespace ombrel
