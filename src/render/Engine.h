#pragma once

#include "Graph.h"
#include "PlanarImage.h"
#include "ops/AreaStatistics.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ombrel {

// Evaluates graphs. Stateless and safe to use from any number of threads at
// once; pixel work inside one render is spread over the cores.
//
// A render is driven by what is shown: the output region is mapped back
// through the geometry to the part of the source it needs (plus the margins
// of the neighbourhood stages), that part is brought to roughly the output
// resolution with a proper prefilter, the neighbourhood stages run on it
// alone with their radii scaled to that resolution, and one final resampling
// pass applies flips, turns, straightening, crop, distortion and the caller's
// zoom, fused with the per-pixel stages.
class Engine {
public:
    static const Engine& shared();

    // Whether the same part of the source is likely to be drawn again soon.
    enum class Reuse { likely, never };

    // `region` of the picture drawn at `outputScale` output pixels per pixel
    // of the graph's frame. Empty when the graph has no source or the region
    // is empty. A live preview redraws the same region with new settings
    // every frame, so its prefiltered source is kept for the next one; work
    // that draws each region once (export bands) says so and keeps nothing.
    Image render(const Graph& graph, double outputScale, const ops::PixelRect& region,
                 Reuse reuse = Reuse::likely) const;

    // The same region straight to opaque 8-bit sRGB in the byte order B, G,
    // R, A (what a raster window blits), `stride` bytes from row to row.
    // False, and nothing written, where `render` would give nothing.
    bool renderBgra(const Graph& graph, double outputScale, const ops::PixelRect& region, std::uint8_t* bgra,
                    std::size_t stride, Reuse reuse = Reuse::likely) const;

    // The whole picture at the graph's own resolution, rendered in bands so the
    // working memory stays bounded.
    Image render(const Graph& graph) const;

    // Memory held by prefiltered regions kept for the next frame.
    std::size_t keptRegionBytes() const;

private:
    // Where finished rows go: RGBA floats, `stride` floats apart, or 8-bit
    // B, G, R, A, `stride` bytes apart.
    struct Rows {
        float* rgba = nullptr;
        std::uint8_t* bgra = nullptr;
        std::size_t stride = 0;
    };
    // `region` written into `rows`; the graph has a source and the region is
    // not empty.
    void renderInto(const Graph& graph, double outputScale, const ops::PixelRect& region, Reuse reuse,
                    Rows rows) const;

    // The source rectangle [x0, x1) x [y0, y1) brought to `width` x `height`.
    // While a slider moves every frame needs the same one and making it is a
    // large share of a frame, so the last few small ones are kept.
    std::shared_ptr<PlanarImage> prefiltered(const std::shared_ptr<const Image>& source, int x0, int y0, int x1,
                                             int y1, int width, int height, Reuse reuse) const;

    struct CachedRegion {
        std::weak_ptr<const Image> source;  // expired once the photo is gone, so a reused address never matches
        int x0, y0, x1, y1, width, height;
        std::shared_ptr<PlanarImage> pixels;  // never changed once kept
    };
    mutable std::mutex cacheMutex_;
    mutable std::vector<CachedRegion> cache_;  // most recent first
};

}  // namespace ombrel
