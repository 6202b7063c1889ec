#include "MappedResample.h"

#include "render/Resample.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <vector>

namespace ombrel {

namespace {

// Per-thread working rows, reused from strip to strip.
struct Scratch {
    std::vector<float> linear;    // one source row, linear RGBA
    std::vector<float> filtered;  // the strip's source rows after the horizontal pass
};

void filterRow(const float* in, float* out, const detail::AxisTaps& taps, int width) {
    for (int x = 0; x < width; ++x, out += 4) {
        const float* w = &taps.weights[static_cast<std::size_t>(x) * taps.maxCount];
        const float* p = in + static_cast<std::size_t>(taps.start[x]) * 4;
        float r = 0, g = 0, b = 0, a = 0;
        for (int k = 0; k < taps.count[x]; ++k, p += 4) {
            r += w[k] * p[0];
            g += w[k] * p[1];
            b += w[k] * p[2];
            a += w[k] * p[3];
        }
        out[0] = r;
        out[1] = g;
        out[2] = b;
        out[3] = a;
    }
}

template <SampleLayout L>
Image resampleLayout(const Samples& s, const LinearMapping& m, int width, int height) {
    const detail::AxisTaps hx = detail::triangleTaps(s.width, width);
    const detail::AxisTaps vy = detail::triangleTaps(s.height, height);
    const std::size_t rowLength = static_cast<std::size_t>(width) * 4;
    Image out(width, height);
    tbb::enumerable_thread_specific<Scratch> scratch;

    tbb::parallel_for(tbb::blocked_range<int>(0, height, 32), [&](const tbb::blocked_range<int>& rows) {
        // Source rows this strip of output rows reads.
        int first = s.height, last = 0;
        for (int y = rows.begin(); y < rows.end(); ++y) {
            first = std::min(first, vy.start[y]);
            last = std::max(last, vy.start[y] + vy.count[y]);
        }
        Scratch& local = scratch.local();
        local.linear.resize(static_cast<std::size_t>(s.width) * 4);
        local.filtered.resize(static_cast<std::size_t>(last - first) * rowLength);
        for (int sy = first; sy < last; ++sy) {
            lineariseRow<L>(s.row(sy), local.linear.data(), s.width, m);
            filterRow(local.linear.data(), local.filtered.data() + static_cast<std::size_t>(sy - first) * rowLength,
                      hx, width);
        }
        for (int y = rows.begin(); y < rows.end(); ++y) {
            float* o = out.row(y);
            std::fill_n(o, rowLength, 0.0f);
            const float* w = &vy.weights[static_cast<std::size_t>(y) * vy.maxCount];
            for (int k = 0; k < vy.count[y]; ++k) {
                const float* in = local.filtered.data() + static_cast<std::size_t>(vy.start[y] + k - first) * rowLength;
                const float wk = w[k];
                for (std::size_t i = 0; i < rowLength; ++i) o[i] += wk * in[i];
            }
            for (int x = 0; x < width; ++x) {
                float* p = o + static_cast<std::size_t>(x) * 4;
                applyMatrix(m, p);
                if constexpr (!hasAlpha(L)) p[3] = 1.0f;
            }
        }
    });
    return out;
}

}  // namespace

Image resampleMapped(const Samples& s, const LinearMapping& m, int width, int height) {
    switch (s.layout) {
        case SampleLayout::Gray8: return resampleLayout<SampleLayout::Gray8>(s, m, width, height);
        case SampleLayout::GrayAlpha8: return resampleLayout<SampleLayout::GrayAlpha8>(s, m, width, height);
        case SampleLayout::Rgba8: return resampleLayout<SampleLayout::Rgba8>(s, m, width, height);
        default: return resampleLayout<SampleLayout::Rgb8>(s, m, width, height);
    }
}

}  // namespace ombrel
