#include "LinearMapping.h"

#include "render/SrgbTables.h"

#include <tbb/parallel_for.h>

#include <algorithm>

namespace ombrel {

LinearMapping srgbMapping() {
    LinearMapping m;
    const float* lut = srgb8ToLinear();
    for (auto& channel : m.table) std::copy_n(lut, 256, channel.begin());
    m.matrix = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    m.identity = true;
    return m;
}

namespace {

template <SampleLayout L>
void mapRow(const std::uint8_t* in, float* out, int width, const LinearMapping& m) {
    lineariseRow<L>(in, out, width, m);
    if (m.identity) return;
    for (int x = 0; x < width; ++x) applyMatrix(m, out + std::size_t(x) * 4);
}

template <SampleLayout L>
void mapAll(const Samples& s, const LinearMapping& m, Image& out) {
    tbb::parallel_for(0, s.height, [&](int y) { mapRow<L>(s.row(y), out.row(y), s.width, m); });
}

}  // namespace

Image applyMapping(const Samples& s, const LinearMapping& m) {
    Image out(s.width, s.height);
    switch (s.layout) {
        case SampleLayout::Gray8: mapAll<SampleLayout::Gray8>(s, m, out); break;
        case SampleLayout::GrayAlpha8: mapAll<SampleLayout::GrayAlpha8>(s, m, out); break;
        case SampleLayout::Rgb8: mapAll<SampleLayout::Rgb8>(s, m, out); break;
        case SampleLayout::Rgba8: mapAll<SampleLayout::Rgba8>(s, m, out); break;
        default: break;
    }
    return out;
}

}  // namespace ombrel
