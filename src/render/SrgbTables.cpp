#include "SrgbTables.h"

#include "ops/SrgbTransfer.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ombrel {

namespace {

// Never freed: a thumbnail or decode thread may still be reading a table
// while the program's statics are destroyed at exit.
template <std::size_t N>
const float* table(double denominator) {
    auto* t = new float[N];
    for (std::size_t i = 0; i < N; ++i) t[i] = ops::srgbDecode(static_cast<float>(i / denominator));
    return t;
}

}  // namespace

const float* srgb8ToLinear() {
    static const float* const t = table<256>(255.0);
    return t;
}

const float* srgb16ToLinear() {
    static const float* const t = table<65536>(65535.0);
    return t;
}

const float* srgbProductToLinear() {
    static const float* const t = table<255 * 255 + 1>(255.0 * 255.0);
    return t;
}

Bitmap8 toBitmap8(const Image& image) {
    Bitmap8 out(image.width(), image.height());
    tbb::parallel_for(0, image.height(), [&](int y) {
        const float* in = image.row(y);
        std::uint8_t* o = out.row(y);
        for (int x = 0; x < image.width(); ++x, in += 4, o += 3) {
            for (int c = 0; c < 3; ++c) {
                const float v = ops::srgbEncode(std::clamp(in[c], 0.0f, 1.0f));
                o[c] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
            }
        }
    });
    return out;
}

}  // namespace ombrel
