#pragma once

#include "Graph.h"

#include "model/EditSettings.h"

#include <memory>
#include <optional>
#include <vector>

namespace ombrel {

// Turns a loaded image and an edit into the graph of its developed picture,
// caching the colour tables between builds: moving any control other than the
// tone sliders, curves or HSL reuses them. One Pipeline builds one graph at a
// time; background work makes its own.
class Pipeline {
public:
    // `scale` is the image's pixels per full-resolution pixel; `skipCrop`
    // leaves the crop rectangle out (flips, turns and straightening stay);
    // `clipping` appends the clipping overlay.
    Graph build(std::shared_ptr<const Image> image, const EditSettings& settings, double scale, bool skipCrop,
                bool clipping);

    // The stages `build` gives an image of `width` x `height`, for work that
    // brings its own pixels row by row instead of a whole image.
    std::vector<Stage> stages(double width, double height, const EditSettings& settings, double scale, bool skipCrop,
                              bool clipping);

    // Only the geometry: flips, quarter turns, straightening and the crop,
    // for a frame of `width` x `height`.
    static std::vector<Stage> geometry(double width, double height, const CropSettings& crop, bool skipCrop);

    // Built tables, exposed so tests can see what is cached.
    const std::vector<float>* toneData() const { return toneData_.get(); }
    const std::vector<float>* hslData() const { return hslData_.get(); }

private:
    stage::ColorCube toneStage(const EditSettings& settings);
    stage::ColorCube hslStage(const HSLSettings& hsl);
    stage::ColorCube clipStage();

    std::optional<std::vector<double>> toneKey_;
    std::shared_ptr<const std::vector<float>> toneData_;
    std::shared_ptr<const ops::ChannelTables> toneTables_;
    std::optional<HSLSettings> hslKey_;
    std::shared_ptr<const std::vector<float>> hslData_;
};

}  // namespace ombrel
