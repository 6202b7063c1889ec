#pragma once

#include "model/EditSettings.h"

#include <cstddef>
#include <string>

namespace ombrel {

// A numeric field of EditSettings that a slider edits directly. Its key names
// the field in the undo history: the same text for every edit of the field,
// a different text for every other field, each HSL band of each list its own.
class EditField {
public:
    enum class Scalar {
        exposure, contrast, highlights, shadows, whites, blacks, temperature, tint, vibrance, saturation,
        sharpAmount, sharpRadius, lumNR, colorNR, vignette, distortion, cropAngle,
    };
    enum class HslList { hue, sat, lum };

    static EditField scalar(Scalar field) { return EditField(field); }
    // `band` 0...7 in the order Red, Orange, Yellow, Green, Aqua, Blue, Purple,
    // Magenta; a larger band means Magenta.
    static EditField hsl(HslList list, std::size_t band);

    std::string key() const;
    double get(const EditSettings& settings) const;
    void set(EditSettings& settings, double value) const;

    bool operator==(const EditField&) const = default;

private:
    explicit EditField(Scalar field) : scalar_(field) {}
    EditField(HslList list, std::size_t band) : isHsl_(true), list_(list), band_(band) {}

    bool isHsl_ = false;
    Scalar scalar_ = Scalar::exposure;
    HslList list_ = HslList::hue;
    std::size_t band_ = 0;
};

}  // namespace ombrel
