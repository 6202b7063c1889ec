#pragma once

#include "CropSettings.h"
#include "CurveSet.h"
#include "HSLSettings.h"
#include "RawOptions.h"

namespace ombrel {

// The complete, non-destructive edit of one photo. A plain value: copied into
// undo entries, the clipboard, presets and sidecars. The model never clamps;
// the controls enforce ranges. EditSettings{} is the unedited state.
struct EditSettings {
    double exposure = 0;     // EV
    double contrast = 0;     // percent, as are the others unless noted
    double highlights = 0;
    double shadows = 0;
    double whites = 0;
    double blacks = 0;
    double temperature = 0;  // 30 K per unit from 6500 K
    double tint = 0;
    double vibrance = 0;
    double saturation = 0;
    CurveSet curves;
    HSLSettings hsl;
    double sharpAmount = 0;
    double sharpRadius = 1.0;
    double lumNR = 0;
    double colorNR = 0;
    double vignette = 0;
    double distortion = 0;
    CropSettings crop;
    RawOptions raw;

    bool operator==(const EditSettings&) const = default;

    // Whether the tone table has anything to do. Exposure is not a tone change.
    bool hasToneChanges() const;
    bool isDefault() const { return *this == EditSettings{}; }
};

}  // namespace ombrel
