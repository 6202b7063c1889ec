#include "ExportRender.h"

#include "render/Engine.h"
#include "render/ops/LanczosScale.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace ombrel {
namespace {

// Rows rendered at a time: large enough that the neighbourhood stages' margins
// cost little, small enough that a band stays well under the output's size.
constexpr int bandRows = 512;

template <typename Bitmap>
void encodeRows(Image& source, Bitmap& out, int outRow0, int rows, const OutputColor& color) {
    tbb::parallel_for(tbb::blocked_range<int>(0, rows, 16), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y)
            color.encode(source.row(y), source.width(), out.row(outRow0 + y));
    });
}

template <typename Bitmap>
std::optional<EncodedImage> renderInBands(const Graph& graph, const OutputColor& color) {
    const int width = std::max(1, static_cast<int>(std::lround(graph.width())));
    const int height = std::max(1, static_cast<int>(std::lround(graph.height())));
    Bitmap out(width, height);
    for (int y = 0; y < height; y += bandRows) {
        const int rows = std::min(bandRows, height - y);
        Image band = Engine::shared().render(graph, 1.0, {0, y, width, rows}, Engine::Reuse::never);
        if (band.empty() || band.width() != width || band.height() != rows) return std::nullopt;
        encodeRows(band, out, y, rows, color);
    }
    return EncodedImage(std::move(out));
}

template <typename Bitmap>
std::optional<EncodedImage> renderScaled(Graph graph, double shrink, const OutputColor& color) {
    Image full = Engine::shared().render(graph);
    graph.source.reset();  // the decoded photo is no longer needed: free it before scaling
    if (full.empty()) return std::nullopt;
    Image scaled = ops::lanczosScale(full, shrink);
    if (scaled.empty()) {
        scaled = std::move(full);
    } else {
        full = Image();
    }
    Bitmap out(scaled.width(), scaled.height());
    encodeRows(scaled, out, 0, scaled.height(), color);
    return EncodedImage(std::move(out));
}

}  // namespace

std::optional<double> reducedDecodeSide(double fullWidth, double fullHeight, const CropSettings& crop, int longEdge) {
    const double longSide = std::max(fullWidth, fullHeight);
    if (!(longSide > 0) || longEdge <= 0) return std::nullopt;
    // The edit's own output at full resolution: the turned frame, cropped.
    const bool turned = (crop.quarterTurns & 1) != 0;
    const double frameW = turned ? fullHeight : fullWidth, frameH = turned ? fullWidth : fullHeight;
    const bool fullFrame = crop.x == 0 && crop.y == 0 && crop.w == 1 && crop.h == 1;
    const double outputLong = fullFrame ? std::max(frameW, frameH) : std::max(frameW * crop.w, frameH * crop.h);
    if (!(outputLong > 0)) return std::nullopt;

    std::optional<double> side;
    for (int divisor : {2, 4, 8}) {
        // The export still gets at least the pixels it needs from this size.
        if (outputLong / divisor < longEdge) break;
        side = std::ceil(longSide / divisor);
    }
    return side;
}

std::optional<double> shrinkFactor(double width, double height, int longEdge) {
    const double longer = std::max(width, height);
    if (!(longer > 0) || longEdge <= 0 || static_cast<double>(longEdge) >= longer) return std::nullopt;
    return longEdge / longer;
}

std::optional<EncodedImage> renderEncoded(Graph graph, std::optional<double> shrink, const OutputColor& color,
                                          bool sixteenBit) {
    if (!graph.source || !(graph.width() > 0) || !(graph.height() > 0)) return std::nullopt;
    if (shrink) {
        return sixteenBit ? renderScaled<Bitmap16>(std::move(graph), *shrink, color)
                          : renderScaled<Bitmap8>(std::move(graph), *shrink, color);
    }
    return sixteenBit ? renderInBands<Bitmap16>(graph, color) : renderInBands<Bitmap8>(graph, color);
}

}  // namespace ombrel
