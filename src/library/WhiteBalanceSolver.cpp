#include "WhiteBalanceSolver.h"

#include "render/Engine.h"
#include "render/Pipeline.h"

#include <cmath>
#include <memory>

namespace ombrel::whitebalance {
namespace {

constexpr double rangeLow = -100;
constexpr double rangeHigh = 100;
constexpr int bisectionSteps = 16;

// The zero of `f` on the slider range, or the end closest to it.
double findZero(const std::function<double(double)>& f) {
    const double low = f(rangeLow);
    const double high = f(rangeHigh);
    if (low * high > 0) return std::abs(low) < std::abs(high) ? rangeLow : rangeHigh;
    double lo = rangeLow, hi = rangeHigh;
    for (int i = 0; i < bisectionSteps; ++i) {
        const double mid = (lo + hi) / 2;
        if (f(mid) * low > 0) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return (lo + hi) / 2;
}

}  // namespace

std::optional<Rgb> sample(const LoadedImage& proxy, const CropSettings& crop, double nx, double ny) {
    if (!proxy.image || proxy.image->empty()) return std::nullopt;
    // Only the geometry: the photo's colour settings must not sway the pick.
    EditSettings unadjusted;
    unadjusted.crop = crop;
    Pipeline pipeline;
    const Graph graph = pipeline.build(proxy.image, unadjusted, proxy.scale, false, false);

    const double width = graph.width(), height = graph.height();
    const int frameRight = static_cast<int>(std::ceil(width));
    const int frameBottom = static_cast<int>(std::ceil(height));
    const double half = sampleSide / 2.0;
    if (!std::isfinite(nx) || !std::isfinite(ny)) return std::nullopt;
    const long left = std::lround(width * nx - half);
    const long top = std::lround(height * ny - half);
    const long x0 = std::max(left, 0L), y0 = std::max(top, 0L);
    const long x1 = std::min(left + sampleSide, static_cast<long>(frameRight));
    const long y1 = std::min(top + sampleSide, static_cast<long>(frameBottom));
    if (x0 >= x1 || y0 >= y1) return std::nullopt;

    const ops::PixelRect region{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                                static_cast<int>(y1 - y0)};
    const Image pixels = Engine::shared().render(graph, 1.0, region);
    if (pixels.empty()) return std::nullopt;
    const auto mean = ops::areaAverage(pixels, {0, 0, pixels.width(), pixels.height()});
    return Rgb{mean[0], mean[1], mean[2]};
}

Rgb render(const Rgb& colour, double temperature, double tint) {
    auto pixel = std::make_shared<Image>(1, 1);
    float* p = pixel->pixel(0, 0);
    p[0] = colour[0];
    p[1] = colour[1];
    p[2] = colour[2];
    p[3] = 1;
    // The pipeline's white-balance stage for these slider values.
    EditSettings settings;
    settings.temperature = temperature;
    settings.tint = tint;
    Graph graph{pixel, 1.0, {}};
    for (const Stage& s : Pipeline().build(pixel, settings, 1.0, true, false).stages) {
        if (std::holds_alternative<stage::WhiteBalance>(s)) graph.stages.push_back(s);
    }
    const Image out = Engine::shared().render(graph);
    if (out.empty()) return colour;
    const float* q = out.pixel(0, 0);
    return {q[0], q[1], q[2]};
}

Setting solve(const Evaluate& evaluate) {
    double temperature = 0, tint = 0;
    for (int pass = 0; pass < 2; ++pass) {
        temperature = findZero([&](double t) {
            const Rgb c = evaluate(t, tint);
            return double(c[0]) - double(c[2]);
        });
        tint = findZero([&](double n) {
            const Rgb c = evaluate(temperature, n);
            return double(c[1]) - (double(c[0]) + double(c[2])) / 2;
        });
    }
    return {roundToTenth(temperature), roundToTenth(tint)};
}

Setting solve(float r, float g, float b) {
    Rgb colour{r, g, b};
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) colour = {0.5f, 0.5f, 0.5f};
    return solve([colour](double t, double n) { return render(colour, t, n); });
}

double roundToTenth(double value) { return std::round(10 * value) / 10; }

}  // namespace ombrel::whitebalance
