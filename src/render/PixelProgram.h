#pragma once

#include "Graph.h"
#include "ops/ColorCube.h"
#include "ops/ColorMatrix.h"

#include <memory>
#include <variant>
#include <vector>

namespace ombrel {

// A run of per-pixel stages compiled into a few steps that work on rows of
// planar samples: consecutive matrix stages (white balance, exposure) are
// multiplied into one, separable cubes become 1D tables. Running it costs one
// dispatch per step per row, never one per pixel.
class PixelProgram {
public:
    PixelProgram() = default;

    // True for the stages this program can hold.
    static bool isPixelStage(const Stage& stage);
    void append(const Stage& stage);
    bool empty() const { return steps_.empty(); }

    // In place over `n` pixels.
    void run(float* r, float* g, float* b, int n) const;

private:
    struct Encode {};
    struct Decode {};
    struct Saturation {
        float factor;
    };
    struct Vibrance {
        float amount;
    };
    using Step = std::variant<ops::Mat3, Encode, Decode, ops::ColorCube, std::shared_ptr<const ops::ChannelTables>,
                              Saturation, Vibrance>;
    std::vector<Step> steps_;
};

}  // namespace ombrel
