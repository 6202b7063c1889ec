#include "Engine.h"

#include "Affine.h"
#include "PixelProgram.h"
#include "PlanarImage.h"
#include "Resample.h"
#include "ops/BilinearSample.h"
#include "ops/Blur.h"
#include "ops/BumpDistortion.h"
#include "ops/ColorBlend.h"
#include "ops/Interleave.h"
#include "ops/NoiseReduction.h"
#include "ops/SrgbTransfer.h"
#include "ops/UnsharpMask.h"
#include "ops/Vignette.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
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

// The images of (x + i, y) for i = first...first + n - 1: a stretch of one
// row of output pixels. Positions step from the row's start whatever the
// stretch, so a pixel's position never depends on how a row is split.
void affineRow(const Affine& m, double x, double y, int first, float* xs, float* ys, int n) {
    double sx, sy;
    m.apply(x, y, sx, sy);
    const float x0 = static_cast<float>(sx), y0 = static_cast<float>(sy);
    const float dx = static_cast<float>(m.a), dy = static_cast<float>(m.c);
    for (int i = 0; i < n; ++i) {
        xs[i] = x0 + static_cast<float>(first + i) * dx;
        ys[i] = y0 + static_cast<float>(first + i) * dy;
    }
}

}  // namespace

std::shared_ptr<PlanarImage> Engine::prefiltered(const std::shared_ptr<const Image>& source, int x0, int y0,
                                                 int x1, int y1, int width, int height, Reuse reuse) const {
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
    // Only screen-sized regions are kept: larger ones would hold on to
    // hundreds of megabytes for little gain.
    constexpr std::size_t largestKept = 4'000'000;
    constexpr std::size_t regionsKept = 3;
    if (reuse == Reuse::likely && pixels->sampleCount() <= largestKept) {
        const std::lock_guard lock(cacheMutex_);
        // Regions of photos that are gone are of no use to anyone.
        std::erase_if(cache_, [](const CachedRegion& c) { return c.source.expired(); });
        cache_.insert(cache_.begin(), {source, x0, y0, x1, y1, width, height, pixels});
        if (cache_.size() > regionsKept) cache_.pop_back();
    }
    return pixels;
}

std::size_t Engine::keptRegionBytes() const {
    const std::lock_guard lock(cacheMutex_);
    std::size_t bytes = 0;
    for (const CachedRegion& c : cache_) bytes += c.pixels->sampleCount() * 3 * sizeof(float);
    return bytes;
}

const Engine& Engine::shared() {
    static const Engine engine;
    return engine;
}

Image Engine::render(const Graph& graph, double outputScale, const ops::PixelRect& region, Reuse reuse) const {
    if (!graph.source || graph.source->empty() || region.width <= 0 || region.height <= 0 || !(outputScale > 0)) {
        return {};
    }
    Image out(region.width, region.height);
    renderInto(graph, outputScale, region, reuse, {out.row(0), nullptr, out.rowLength()});
    return out;
}

bool Engine::renderBgra(const Graph& graph, double outputScale, const ops::PixelRect& region, std::uint8_t* bgra,
                        std::size_t stride, Reuse reuse) const {
    if (!graph.source || graph.source->empty() || region.width <= 0 || region.height <= 0 || !(outputScale > 0)) {
        return false;
    }
    renderInto(graph, outputScale, region, reuse, {nullptr, bgra, stride});
    return true;
}

void Engine::renderInto(const Graph& graph, double outputScale, const ops::PixelRect& region, Reuse reuse,
                        Rows out) const {
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
    const std::shared_ptr<PlanarImage> base = prefiltered(graph.source, x0, y0, x1, y1, workW, workH, reuse);
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
        // a kept one is copied, row by row just before the head stages run
        // on the row, so the next frame finds it as it was.
        const bool inPlace = base.use_count() == 1;
        changed = inPlace ? std::move(*base) : PlanarImage(base->width(), base->height());
        tbb::parallel_for(0, changed.height(), [&](int y) {
            const int w = changed.width();
            if (!inPlace) {
                for (int c = 0; c < 3; ++c) std::copy_n(base->row(c, y), w, changed.row(c, y));
            }
            plan.head.run(changed.row(0, y), changed.row(1, y), changed.row(2, y), w);
        });
        runWorkingStages(changed, plan.working, std::sqrt(toWorkX * toWorkY), graph.scale);
    }
    const PlanarImage& work = changed.empty() ? *base : changed;

    // Output pixel centres straight to working-image pixels, when no
    // distortion sits between them.
    const Affine outToWork = Affine{toWorkX, 0, 0, toWorkY, -x0 * toWorkX, -y0 * toWorkY} * outToSource;

    // Rows are worked through in stretches whose runs stay in the first-level
    // cache from one step to the next.
    constexpr int stretch = 512;
    tbb::parallel_for(tbb::blocked_range<int>(0, region.height), [&](const tbb::blocked_range<int>& rows) {
        std::array<float, stretch * 7> buffer;
        float* r = buffer.data();
        float* g = r + stretch;
        float* b = g + stretch;
        float* us = b + stretch;  // where each pixel samples the working image
        float* vs = us + stretch;
        float* xs = vs + stretch;  // and where it lies in the source (vignette, distortion)
        float* ys = xs + stretch;
        for (int j = rows.begin(); j != rows.end(); ++j) {
            const double px = region.x + 0.5, py = region.y + j + 0.5;
            for (int first = 0; first < region.width; first += stretch) {
                const int n = std::min(stretch, region.width - first);
                if (plan.vignette || plan.bump) affineRow(outToSource, px, py, first, xs, ys, n);
                if (plan.bump) {
                    std::copy_n(xs, n, us);
                    std::copy_n(ys, n, vs);
                    ops::bumpSourceRun(*plan.bump, us, vs, n);
                    const float ox = static_cast<float>(x0), oy = static_cast<float>(y0);
                    const float sx = static_cast<float>(toWorkX), sy = static_cast<float>(toWorkY);
                    for (int i = 0; i < n; ++i) {
                        us[i] = (us[i] - ox) * sx;
                        vs[i] = (vs[i] - oy) * sy;
                    }
                } else {
                    affineRow(outToWork, px, py, first, us, vs, n);
                }
                ops::sampleBilinear(work, us, vs, r, g, b, n);
                if (!headInWork) plan.head.run(r, g, b, n);
                if (plan.vignette) ops::applyVignette(*plan.vignette, xs, ys, r, g, b, n);
                plan.tail.run(r, g, b, n);
                if (out.bgra) {
                    ops::srgbEncodeRun(r, n);
                    ops::srgbEncodeRun(g, n);
                    ops::srgbEncodeRun(b, n);
                    ops::packBgra8(r, g, b, n, out.bgra + std::size_t(j) * out.stride + std::size_t(first) * 4);
                } else {
                    ops::interleaveOpaque(r, g, b, n, out.rgba + std::size_t(j) * out.stride + std::size_t(first) * 4);
                }
            }
        }
    });
}

Image Engine::render(const Graph& graph) const {
    if (!graph.source || graph.source->empty()) return {};
    const int width = std::max(1, static_cast<int>(std::lround(graph.width())));
    const int height = std::max(1, static_cast<int>(std::lround(graph.height())));
    Image out(width, height);
    // Bands small enough that their working buffers are recycled from one
    // band to the next (see BufferPool), each written straight into place.
    constexpr int band = 512;
    for (int y = 0; y < height; y += band) {
        renderInto(graph, 1.0, {0, y, width, std::min(band, height - y)}, Reuse::never,
                   {out.row(y), nullptr, out.rowLength()});
    }
    return out;
}

}  // namespace ombrel
