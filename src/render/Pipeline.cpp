#include "Pipeline.h"

#include "LookupTables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ombrel {
namespace {

ops::ColorCube cubeOf(int dimension, std::shared_ptr<const std::vector<float>> data) {
    return {dimension, std::move(data)};
}

}  // namespace

stage::ColorCube Pipeline::toneStage(const EditSettings& settings) {
    std::vector<double> key = toneKey(settings);
    if (!toneKey_ || *toneKey_ != key || !toneData_) {
        const auto channels = toneChannels(settings);
        toneData_ = std::make_shared<const std::vector<float>>(toneCube(channels));
        toneTables_ = std::make_shared<const ops::ChannelTables>(
            ops::ChannelTables{toneCubeSize, channels[0], channels[1], channels[2]});
        toneKey_ = std::move(key);
    }
    return {cubeOf(toneCubeSize, toneData_), toneTables_};
}

stage::ColorCube Pipeline::hslStage(const HSLSettings& hsl) {
    if (!hslKey_ || *hslKey_ != hsl || !hslData_) {
        hslData_ = std::make_shared<const std::vector<float>>(hslCube(hsl));
        hslKey_ = hsl;
    }
    return {cubeOf(hslCubeSize, hslData_), nullptr};
}

stage::ColorCube Pipeline::clipStage() {
    // The clipping table never changes: one copy for the whole process.
    static const auto data = std::make_shared<const std::vector<float>>(clipCube());
    return {cubeOf(clipCubeSize, data), nullptr};
}

Graph Pipeline::build(std::shared_ptr<const Image> image, const EditSettings& s, double scale, bool skipCrop,
                      bool clipping) {
    Graph graph;
    graph.scale = scale;
    const double width = image ? image->width() : 0;
    const double height = image ? image->height() : 0;
    graph.source = std::move(image);
    graph.stages = stages(width, height, s, scale, skipCrop, clipping);
    return graph;
}

std::vector<Stage> Pipeline::stages(double width, double height, const EditSettings& s, double scale, bool skipCrop,
                                    bool clipping) {
    std::vector<Stage> stages;

    if (s.temperature != 0 || s.tint != 0) {
        stages.push_back(stage::WhiteBalance{{6500, 0}, {6500 + 30 * s.temperature, 1.5 * s.tint}});
    }
    if (s.exposure != 0) stages.push_back(stage::Exposure{static_cast<float>(s.exposure)});

    const bool tone = s.hasToneChanges();
    const bool hsl = !s.hsl.isNeutral();
    if (tone || hsl) {
        stages.push_back(stage::LinearToSrgb{});
        if (tone) stages.push_back(toneStage(s));
        if (hsl) stages.push_back(hslStage(s.hsl));
        stages.push_back(stage::SrgbToLinear{});
    }

    if (s.saturation != 0) stages.push_back(stage::Saturation{static_cast<float>(1 + s.saturation / 100)});
    if (s.vibrance != 0) stages.push_back(stage::Vibrance{static_cast<float>(s.vibrance / 100)});

    // Radii and centres below refer to the uncropped, unturned frame.
    const double cx = width / 2, cy = height / 2;
    const double diag = std::hypot(width, height);

    if (s.lumNR > 0) stages.push_back(stage::NoiseReduction{static_cast<float>(s.lumNR / 100 * 0.08), 0.4f});
    if (s.colorNR > 0) stages.push_back(stage::ColorNoiseReduction{std::max(s.colorNR / 100 * 8 * scale, 0.3)});
    if (s.sharpAmount > 0) {
        stages.push_back(stage::UnsharpMask{static_cast<float>(std::max(s.sharpRadius * 1.5 * scale, 0.5)),
                                            static_cast<float>(s.sharpAmount / 100 * 1.5)});
    }
    if (s.distortion != 0) stages.push_back(stage::BumpDistortion{{cx, cy, diag * 0.5, s.distortion / 100 * 0.6}});
    if (s.vignette != 0) stages.push_back(stage::Vignette{{cx, cy, diag * 0.5 * 0.55, s.vignette / -100, 0.6}});

    for (Stage& g : geometry(width, height, s.crop, skipCrop)) stages.push_back(std::move(g));

    if (clipping) {
        stages.push_back(stage::LinearToSrgb{});
        stages.push_back(clipStage());
        stages.push_back(stage::SrgbToLinear{});
    }
    return stages;
}

std::vector<Stage> Pipeline::geometry(double width, double height, const CropSettings& crop, bool skipCrop) {
    std::vector<Stage> stages;
    double w = width, h = height;
    if (crop.flipH) stages.push_back(stage::Orient{2});
    if (crop.flipV) stages.push_back(stage::Orient{4});
    switch (crop.quarterTurns & 3) {
        case 1: stages.push_back(stage::Orient{6}), std::swap(w, h); break;
        case 2: stages.push_back(stage::Orient{3}); break;
        case 3: stages.push_back(stage::Orient{8}), std::swap(w, h); break;
        default: break;
    }
    if (std::abs(crop.angle) > 0.01 && w > 0 && h > 0) {
        const double theta = crop.angle * std::numbers::pi / 180;
        const double zoom = std::cos(theta) + std::max(w / h, h / w) * std::sin(std::abs(theta));
        stages.push_back(stage::Straighten{crop.angle, zoom});
    }
    const bool fullFrame = crop.x == 0 && crop.y == 0 && crop.w == 1 && crop.h == 1;
    if (!skipCrop && !fullFrame) {
        // Fractions of the turned frame, measured from its top-left corner.
        stages.push_back(stage::Crop{{w * crop.x, h * crop.y, w * crop.w, h * crop.h}});
    }
    return stages;
}

}  // namespace ombrel
