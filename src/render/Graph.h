#pragma once

#include "PixelBuffer.h"
#include "ops/BumpDistortion.h"
#include "ops/ColorCube.h"
#include "ops/Vignette.h"
#include "ops/WhiteBalance.h"

#include <memory>
#include <variant>
#include <vector>

namespace ombrel {

// A rectangle in pixel units with a top-left origin; fractional values allowed.
struct Rect {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// One step of a developed picture. Each is a plain parameter record; the
// engine decides how and where to compute it.
namespace stage {

struct WhiteBalance {
    ops::WhitePoint neutral, target;
};
struct Exposure {
    float ev = 0;
};
struct LinearToSrgb {};
struct SrgbToLinear {};
struct ColorCube {
    ops::ColorCube cube;
    // Set for a cube whose channels do not mix (the tone table): the same
    // mapping as three 1D tables, which the engine applies instead.
    std::shared_ptr<const ops::ChannelTables> separable;
};
struct Saturation {
    float factor = 1;
};
struct Vibrance {
    float amount = 0;
};
struct NoiseReduction {
    float noiseLevel = 0, sharpness = 0;
};
struct ColorNoiseReduction {
    double sigma = 0;  // in pixels of the graph's source image
};
struct UnsharpMask {
    float radius = 0, intensity = 0;  // radius in pixels of the graph's source image
};
struct BumpDistortion {
    ops::BumpParams params;
};
struct Vignette {
    ops::VignetteParams params;
};
// Mirror or quarter-turn by an EXIF orientation value (2, 3, 4, 6 or 8).
struct Orient {
    int orientation = 1;
};
// Rotate by `angle` degrees (positive turns the picture clockwise) about the
// frame's centre, zoomed by `zoom` so no empty corners show; the frame size stays.
struct Straighten {
    double angle = 0, zoom = 1;
};
struct Crop {
    Rect rect;
};

}  // namespace stage

using Stage = std::variant<stage::WhiteBalance, stage::Exposure, stage::LinearToSrgb, stage::SrgbToLinear,
                           stage::ColorCube, stage::Saturation, stage::Vibrance, stage::NoiseReduction,
                           stage::ColorNoiseReduction, stage::UnsharpMask, stage::BumpDistortion, stage::Vignette,
                           stage::Orient, stage::Straighten, stage::Crop>;

// A lazy description of a developed picture: a source image and the stages to
// apply, in order. Nothing is computed until the engine renders it.
struct Graph {
    std::shared_ptr<const Image> source;
    double scale = 1;  // source pixels per full-resolution pixel
    std::vector<Stage> stages;

    // The frame of the finished picture, origin (0, 0).
    double width() const;
    double height() const;

    template <typename T>
    std::vector<T> stagesOf() const {
        std::vector<T> out;
        for (const Stage& s : stages)
            if (const T* t = std::get_if<T>(&s)) out.push_back(*t);
        return out;
    }
};

}  // namespace ombrel
