#pragma once

#include "render/PixelBuffer.h"

#include <optional>
#include <string>

struct lfLens;

namespace ombrel {

// What a RAW file says about the optics it was shot with.
struct LensQuery {
    std::string make;
    std::string model;
    std::string lens;       // empty when the file does not name it
    float focalLength = 0;  // millimetres, 0 when unknown
    float aperture = 0;     // f-number, 0 when unknown
};

// Lens correction from lensfun's database: vignetting, distortion and
// lateral chromatic aberration, as far as the database has calibrations.
class LensCorrection {
public:
    // The correction for this camera and lens, or nothing when the database
    // does not know both, has no calibration for the lens, or the focal
    // length is unknown. Without a lens name only fixed-lens cameras (whose
    // lens follows from the camera) are recognised.
    static std::optional<LensCorrection> find(const LensQuery& query);

    // The corrected picture, same size, upright or not (every model lensfun
    // applies is radial about the centre, so turning the picture first gives
    // the same result). Scaled to fill the frame, so no empty corners. Takes
    // the picture over: a caller that moves it in holds one copy less.
    Image apply(Image image) const;

private:
    LensCorrection(const lfLens* lens, float cropFactor, float focalLength, float aperture)
        : lens_(lens), cropFactor_(cropFactor), focalLength_(focalLength), aperture_(aperture) {}

    const lfLens* lens_;  // owned by the process-wide database
    float cropFactor_;
    float focalLength_;
    float aperture_;
};

}  // namespace ombrel
