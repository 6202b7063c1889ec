#pragma once

#include "Graph.h"
#include "ops/AreaStatistics.h"

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

    // `region` of the picture drawn at `outputScale` output pixels per pixel
    // of the graph's frame. Empty when the graph has no source or the region
    // is empty.
    Image render(const Graph& graph, double outputScale, const ops::PixelRect& region) const;

    // The whole picture at the graph's own resolution, rendered in bands so the
    // working memory stays bounded.
    Image render(const Graph& graph) const;
};

}  // namespace ombrel
