#include "PixelProgram.h"

#include "ops/Saturation.h"
#include "ops/SrgbTransfer.h"
#include "ops/WhiteBalance.h"

#include <cmath>

namespace ombrel {

bool PixelProgram::isPixelStage(const Stage& stage) {
    return std::holds_alternative<stage::WhiteBalance>(stage) || std::holds_alternative<stage::Exposure>(stage) ||
           std::holds_alternative<stage::LinearToSrgb>(stage) || std::holds_alternative<stage::SrgbToLinear>(stage) ||
           std::holds_alternative<stage::ColorCube>(stage) || std::holds_alternative<stage::Saturation>(stage) ||
           std::holds_alternative<stage::Vibrance>(stage);
}

void PixelProgram::append(const Stage& stage) {
    // Matrices that follow each other become one: later ones multiply from the left.
    auto appendMatrix = [this](const ops::Mat3& m) {
        if (!steps_.empty()) {
            if (auto* previous = std::get_if<ops::Mat3>(&steps_.back())) {
                *previous = m * *previous;
                return;
            }
        }
        steps_.push_back(m);
    };

    if (const auto* wb = std::get_if<stage::WhiteBalance>(&stage)) {
        appendMatrix(ops::temperatureTintMatrix(wb->neutral, wb->target));
    } else if (const auto* ex = std::get_if<stage::Exposure>(&stage)) {
        appendMatrix(ops::Mat3::scaling(std::exp2(ex->ev)));
    } else if (std::holds_alternative<stage::LinearToSrgb>(stage)) {
        steps_.push_back(Encode{});
    } else if (std::holds_alternative<stage::SrgbToLinear>(stage)) {
        // Decoding straight after encoding is the identity (nothing in between).
        if (!steps_.empty() && std::holds_alternative<Encode>(steps_.back())) {
            steps_.pop_back();
        } else {
            steps_.push_back(Decode{});
        }
    } else if (const auto* cube = std::get_if<stage::ColorCube>(&stage)) {
        if (cube->separable) {
            steps_.push_back(cube->separable);
        } else {
            steps_.push_back(cube->cube);
        }
    } else if (const auto* sat = std::get_if<stage::Saturation>(&stage)) {
        steps_.push_back(Saturation{sat->factor});
    } else if (const auto* vib = std::get_if<stage::Vibrance>(&stage)) {
        steps_.push_back(Vibrance{vib->amount});
    }
}

void PixelProgram::run(float* r, float* g, float* b, int n) const {
    for (const Step& step : steps_) {
        std::visit(
            [&](const auto& s) {
                using T = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<T, ops::Mat3>) {
                    ops::applyMatrix(s, r, g, b, n);
                } else if constexpr (std::is_same_v<T, Encode>) {
                    ops::srgbEncodeRun(r, n);
                    ops::srgbEncodeRun(g, n);
                    ops::srgbEncodeRun(b, n);
                } else if constexpr (std::is_same_v<T, Decode>) {
                    ops::srgbDecodeRun(r, n);
                    ops::srgbDecodeRun(g, n);
                    ops::srgbDecodeRun(b, n);
                } else if constexpr (std::is_same_v<T, ops::ColorCube>) {
                    ops::applyCubeTrilinear(s, r, g, b, n);
                } else if constexpr (std::is_same_v<T, std::shared_ptr<const ops::ChannelTables>>) {
                    ops::applyChannelTables(*s, r, g, b, n);
                } else if constexpr (std::is_same_v<T, Saturation>) {
                    ops::saturate(s.factor, r, g, b, n);
                } else if constexpr (std::is_same_v<T, Vibrance>) {
                    ops::vibrance(s.amount, r, g, b, n);
                }
            },
            step);
    }
}

}  // namespace ombrel
