#include "Engine.h"

#include "Affine.h"
#include "PixelProgram.h"
#include "PlanarImage.h"
#include "Resample.h"
#include "ops/Blur.h"
#include "ops/BumpDistortion.h"
#include "ops/ColorBlend.h"
#include "ops/NoiseReduction.h"
#include "ops/UnsharpMask.h"
#include "ops/Vignette.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace ombrel {
namespace {

bool isNeighbourhood(const Stage& s) {
    return std::holds_alternative<stage::NoiseReduction>(s) || std::holds_alternative<stage::ColorNoiseReduction>(s) ||
           std::holds_alternative<stage::UnsharpMask>(s);
}

// The graph sorted into what runs where. Pipelines put stages in this order:
// per-pixel stages, neighbourhood stages, distortion and vignette, geometry,
// then per-pixel stages of the overlay.
struct Plan {
    PixelProgram head;                  // per-pixel stages before any neighbourhood stage
    std::vector<Stage> working;         // neighbourhood (and any later per-pixel) stages, in order
    std::optional<ops::BumpParams> bump;
    std::optional<ops::VignetteParams> vignette;
    Affine frameToSource;               // final frame -> source pixels
    double frameWidth = 0, frameHeight = 0;
    PixelProgram tail;                  // per-pixel stages after the geometry
};

Affine inverseOrientation(int orientation, double w, double h) {
    switch (orientation) {
        case 2: return {-1, 0, 0, 1, w, 0};
        case 3: return {-1, 0, 0, -1, w, h};
        case 4: return {1, 0, 0, -1, 0, h};
        case 5: return {0, 1, 1, 0, 0, 0};
        case 6: return {0, 1, -1, 0, 0, h};
        case 7: return {0, -1, -1, 0, w, h};
        case 8: return {0, -1, 1, 0, w, 0};
        default: return {};
    }
}

Plan makePlan(const Graph& graph) {
    Plan plan;
    double w = graph.source->width(), h = graph.source->height();
    bool seenNeighbourhood = false, seenGeometry = false;
    for (const Stage& s : graph.stages) {
        if (const auto* orient = std::get_if<stage::Orient>(&s)) {
            seenGeometry = true;
            plan.frameToSource = plan.frameToSource * inverseOrientation(orient->orientation, w, h);
            if (orient->orientation >= 5 && orient->orientation <= 8) std::swap(w, h);
        } else if (const auto* st = std::get_if<stage::Straighten>(&s)) {
            seenGeometry = true;
            // Forward: p = c + zoom * R(theta) (q - c), clockwise on screen for a
            // positive angle with y pointing down; here the inverse.
            const double theta = st->angle * std::numbers::pi / 180;
            const double cs = std::cos(theta) / st->zoom, sn = std::sin(theta) / st->zoom;
            const Affine rotate{cs, sn, -sn, cs, 0, 0};
            plan.frameToSource = plan.frameToSource * Affine::translation(w / 2, h / 2) * rotate *
                                 Affine::translation(-w / 2, -h / 2);
        } else if (const auto* crop = std::get_if<stage::Crop>(&s)) {
            seenGeometry = true;
            plan.frameToSource = plan.frameToSource * Affine::translation(crop->rect.x, crop->rect.y);
            w = crop->rect.width;
            h = crop->rect.height;
        } else if (const auto* bump = std::get_if<stage::BumpDistortion>(&s)) {
            plan.bump = bump->params;
        } else if (const auto* vig = std::get_if<stage::Vignette>(&s)) {
            plan.vignette = vig->params;
        } else if (seenGeometry) {
            plan.tail.append(s);
        } else if (isNeighbourhood(s) || seenNeighbourhood) {
            seenNeighbourhood = true;
            plan.working.push_back(s);
        } else {
            plan.head.append(s);
        }
    }
    plan.frameWidth = w;
    plan.frameHeight = h;
    return plan;
}

// How far (in source pixels) the neighbourhood stages look around a pixel.
double neighbourhoodMargin(const std::vector<Stage>& stages, double graphScale) {
    double margin = 0;
    for (const Stage& s : stages) {
        if (const auto* c = std::get_if<stage::ColorNoiseReduction>(&s)) margin += 3 * c->sigma + 1;
        if (const auto* u = std::get_if<stage::UnsharpMask>(&s)) margin += 3 * u->radius + 1;
        if (std::holds_alternative<stage::NoiseReduction>(s)) margin += 16 * graphScale + 2;
    }
    return std::ceil(margin);
}

// The source rectangle [x0, x1) x [y0, y1) brought to `outW` x `outH` planar
// pixels with the triangle prefilter (a plain copy at equal size).
PlanarImage extractPlanar(const Image& src, int x0, int y0, int x1, int y1, int outW, int outH) {
    PlanarImage out(outW, outH);
    const int inW = x1 - x0, inH = y1 - y0;
    if (inW == outW && inH == outH) {
        tbb::parallel_for(0, outH, [&](int y) {
            const float* in = src.pixel(x0, y0 + y);
            float* r = out.row(0, y);
            float* g = out.row(1, y);
            float* b = out.row(2, y);
            for (int x = 0; x < outW; ++x, in += 4) {
                r[x] = in[0];
                g[x] = in[1];
                b[x] = in[2];
            }
        });
        return out;
    }

    const detail::AxisTaps hx = detail::triangleTaps(inW, outW);
    const detail::AxisTaps vy = detail::triangleTaps(inH, outH);
    PlanarImage mid(outW, inH);
    tbb::parallel_for(0, inH, [&](int y) {
        const float* in = src.pixel(x0, y0 + y);
        float* r = mid.row(0, y);
        float* g = mid.row(1, y);
        float* b = mid.row(2, y);
        for (int x = 0; x < outW; ++x) {
            const float* w = &hx.weights[std::size_t(x) * hx.maxCount];
            const float* p = in + std::size_t(hx.start[x]) * 4;
            float ar = 0, ag = 0, ab = 0;
            for (int k = 0; k < hx.count[x]; ++k, p += 4) {
                ar += w[k] * p[0];
                ag += w[k] * p[1];
                ab += w[k] * p[2];
            }
            r[x] = ar;
            g[x] = ag;
            b[x] = ab;
        }
    });
    tbb::parallel_for(0, outH, [&](int y) {
        const float* w = &vy.weights[std::size_t(y) * vy.maxCount];
        for (int c = 0; c < 3; ++c) {
            float* o = out.row(c, y);
            std::fill_n(o, outW, 0.0f);
            for (int k = 0; k < vy.count[y]; ++k) {
                const float* in = mid.row(c, vy.start[y] + k);
                const float wk = w[k];
                for (int x = 0; x < outW; ++x) o[x] += wk * in[x];
            }
        }
    });
    return out;
}

void runWorkingStages(PlanarImage& image, const std::vector<Stage>& stages, double resolution, double graphScale) {
    PixelProgram pending;
    auto flush = [&] {
        if (pending.empty()) return;
        tbb::parallel_for(0, image.height(), [&](int y) {
            pending.run(image.row(0, y), image.row(1, y), image.row(2, y), image.width());
        });
        pending = PixelProgram{};
    };
    for (const Stage& s : stages) {
        if (PixelProgram::isPixelStage(s)) {
            pending.append(s);
            continue;
        }
        flush();
        if (const auto* nr = std::get_if<stage::NoiseReduction>(&s)) {
            ops::noiseReduction(image, nr->noiseLevel, nr->sharpness, graphScale * resolution);
        } else if (const auto* cnr = std::get_if<stage::ColorNoiseReduction>(&s)) {
            ops::blurColor(image, static_cast<float>(cnr->sigma * resolution));
        } else if (const auto* usm = std::get_if<stage::UnsharpMask>(&s)) {
            ops::unsharpMask(image, static_cast<float>(usm->radius * resolution), usm->intensity);
        }
    }
    flush();
}

// Bilinear weights of one point of a plane, edges extended: computed once,
// then read from each of the three planes. Clamping the position to the
// outermost pixel centres is the same as extending the edges; the clamps are
// written so that a NaN position lands on the first pixel.
struct BilinearTap {
    std::size_t i00, i01, i10, i11;
    float tx, ty;
};

inline BilinearTap bilinearTap(int w, int h, float x, float y) {
    float u = x - 0.5f, v = y - 0.5f;
    u = u > 0.0f ? u : 0.0f;
    v = v > 0.0f ? v : 0.0f;
    u = u < float(w - 1) ? u : float(w - 1);
    v = v < float(h - 1) ? v : float(h - 1);
    const int i0 = static_cast<int>(u), j0 = static_cast<int>(v);
    const int i1 = std::min(i0 + 1, w - 1), j1 = std::min(j0 + 1, h - 1);
    const std::size_t r0 = std::size_t(j0) * w, r1 = std::size_t(j1) * w;
    return {r0 + i0, r0 + i1, r1 + i0, r1 + i1, u - float(i0), v - float(j0)};
}

inline float sample(const float* plane, const BilinearTap& t) {
    const float top = plane[t.i00] + t.tx * (plane[t.i01] - plane[t.i00]);
    const float bottom = plane[t.i10] + t.tx * (plane[t.i11] - plane[t.i10]);
    return top + t.ty * (bottom - top);
}

}  // namespace

std::shared_ptr<PlanarImage> Engine::prefiltered(const std::shared_ptr<const Image>& source, int x0, int y0,
                                                       int x1, int y1, int width, int height) const {
    auto matches = [&](const CachedRegion& c) {
        return c.source.lock() == source && c.x0 == x0 && c.y0 == y0 && c.x1 == x1 && c.y1 == y1 &&
               c.width == width && c.height == height;
    };
    {
        const std::lock_guard lock(cacheMutex_);
        for (std::size_t i = 0; i < cache_.size(); ++i) {
            if (!matches(cache_[i])) continue;
            std::rotate(cache_.begin(), cache_.begin() + i, cache_.begin() + i + 1);
            return cache_.front().pixels;
        }
    }

    auto pixels = std::make_shared<PlanarImage>(extractPlanar(*source, x0, y0, x1, y1, width, height));
    // Only screen-sized regions are kept: export bands would hold on to
    // hundreds of megabytes for nothing.
    constexpr std::size_t largestKept = 4'000'000;
    constexpr std::size_t regionsKept = 3;
    if (pixels->sampleCount() <= largestKept) {
        const std::lock_guard lock(cacheMutex_);
        cache_.insert(cache_.begin(), {source, x0, y0, x1, y1, width, height, pixels});
        if (cache_.size() > regionsKept) cache_.pop_back();
    }
    return pixels;
}

const Engine& Engine::shared() {
    static const Engine engine;
    return engine;
}

Image Engine::render(const Graph& graph, double outputScale, const ops::PixelRect& region) const {
    if (!graph.source || graph.source->empty() || region.width <= 0 || region.height <= 0 || !(outputScale > 0)) {
        return {};
    }
    const Image& source = *graph.source;
    const Plan plan = makePlan(graph);
    const Affine outToSource = plan.frameToSource * Affine::scaling(1 / outputScale);
    const double sourcePerOutput = outToSource.linearScale();

    // Which part of the source the region needs: sample its outline and
    // interior through the mapping (the distortion is not affine).
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    constexpr int grid = 16;
    for (int j = 0; j <= grid; ++j)
        for (int i = 0; i <= grid; ++i) {
            double x, y;
            outToSource.apply(region.x + region.width * double(i) / grid, region.y + region.height * double(j) / grid,
                              x, y);
            if (plan.bump) {
                const ops::Point p = ops::bumpSource(*plan.bump, {x, y});
                minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
            }
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    const double pad = neighbourhoodMargin(plan.working, graph.scale) + 2 + 2 * sourcePerOutput +
                       (plan.bump ? sourcePerOutput * region.width / grid + sourcePerOutput * region.height / grid : 0);
    const int x0 = std::clamp(static_cast<int>(std::floor(minX - pad)), 0, source.width() - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(minY - pad)), 0, source.height() - 1);
    const int x1 = std::clamp(static_cast<int>(std::ceil(maxX + pad)), x0 + 1, source.width());
    const int y1 = std::clamp(static_cast<int>(std::ceil(maxY + pad)), y0 + 1, source.height());

    // Work at about the output resolution when shrinking; mild shrinks are
    // left to the bilinear pass.
    const double resolution = sourcePerOutput > 1.25 ? 1 / sourcePerOutput : 1.0;
    const int workW = std::max(1, static_cast<int>(std::lround((x1 - x0) * resolution)));
    const int workH = std::max(1, static_cast<int>(std::lround((y1 - y0) * resolution)));
    const std::shared_ptr<PlanarImage> base = prefiltered(graph.source, x0, y0, x1, y1, workW, workH);
    const double toWorkX = double(workW) / (x1 - x0), toWorkY = double(workH) / (y1 - y0);

    // Per-pixel head stages run on the working image when the neighbourhood
    // stages need their result first, or when it has far fewer pixels than
    // the output (zoomed in); otherwise in the final pass, which leaves the
    // prefiltered image untouched for the next frame.
    const std::size_t outputCount = std::size_t(region.width) * std::size_t(region.height);
    const bool headInWork = !plan.working.empty() || base->sampleCount() * 2 <= outputCount;
    PlanarImage changed;
    if (headInWork && (!plan.head.empty() || !plan.working.empty())) {
        // A region nobody else holds (too big to keep) is changed in place;
        // a kept one is copied so the next frame finds it as it was.
        changed = base.use_count() == 1 ? std::move(*base) : PlanarImage(*base);
        if (!plan.head.empty()) {
            tbb::parallel_for(0, changed.height(), [&](int y) {
                plan.head.run(changed.row(0, y), changed.row(1, y), changed.row(2, y), changed.width());
            });
        }
        runWorkingStages(changed, plan.working, std::sqrt(toWorkX * toWorkY), graph.scale);
    }
    const PlanarImage& work = changed.empty() ? *base : changed;

    Image out(region.width, region.height);
    tbb::parallel_for(tbb::blocked_range<int>(0, region.height), [&](const tbb::blocked_range<int>& rows) {
        const int n = region.width;
        std::vector<float> buffer(std::size_t(n) * 5);
        float* r = buffer.data();
        float* g = r + n;
        float* b = g + n;
        float* xs = b + n;
        float* ys = xs + n;
        for (int j = rows.begin(); j != rows.end(); ++j) {
            // Along a row the mapping advances by a constant step.
            double x, y;
            outToSource.apply(region.x + 0.5, region.y + j + 0.5, x, y);
            const float* planeR = work.plane(0);
            const float* planeG = work.plane(1);
            const float* planeB = work.plane(2);
            for (int i = 0; i < n; ++i, x += outToSource.a, y += outToSource.c) {
                double sx = x, sy = y;
                if (plan.vignette) {
                    xs[i] = static_cast<float>(x);
                    ys[i] = static_cast<float>(y);
                }
                if (plan.bump) {
                    const ops::Point p = ops::bumpSource(*plan.bump, {x, y});
                    sx = p.x;
                    sy = p.y;
                }
                const BilinearTap tap = bilinearTap(workW, workH, static_cast<float>((sx - x0) * toWorkX),
                                                    static_cast<float>((sy - y0) * toWorkY));
                r[i] = sample(planeR, tap);
                g[i] = sample(planeG, tap);
                b[i] = sample(planeB, tap);
            }
            if (!headInWork) plan.head.run(r, g, b, n);
            if (plan.vignette) ops::applyVignette(*plan.vignette, xs, ys, r, g, b, n);
            plan.tail.run(r, g, b, n);
            float* o = out.row(j);
            for (int i = 0; i < n; ++i, o += 4) {
                o[0] = r[i];
                o[1] = g[i];
                o[2] = b[i];
                o[3] = 1.0f;
            }
        }
    });
    return out;
}

Image Engine::render(const Graph& graph) const {
    if (!graph.source) return {};
    const int width = std::max(1, static_cast<int>(std::lround(graph.width())));
    const int height = std::max(1, static_cast<int>(std::lround(graph.height())));
    Image out(width, height);
    constexpr int band = 1024;
    for (int y = 0; y < height; y += band) {
        const int rows = std::min(band, height - y);
        const Image part = render(graph, 1.0, {0, y, width, rows});
        if (part.empty()) return {};
        std::copy_n(part.data(), part.rowLength() * rows, out.row(y));
    }
    return out;
}

}  // namespace ombrel
