#pragma once

#include "RawGeometry.h"

#include "render/PixelBuffer.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class LibRaw;

namespace ombrel::raw {

// What a RAW file says about itself, read when it is opened.
struct RawFacts {
    std::string make;
    std::string model;
    std::string lens;  // empty when the file does not name it
    float iso = 0;     // 0 when unknown
    float focalLength = 0;
    float aperture = 0;
    int flip = 0;                 // LibRaw's flip bits
    Size fullSize;                // processed full-resolution size, before orientation
    double baselineExposure = 0;  // EV: the DNG BaselineExposure tag, 0 without it
};

// How LibRaw develops the sensor data.
struct DevelopParams {
    bool halfSize = false;
    float waveletThreshold = 0;
    float gain = 1;  // linear factor: sensor white comes out at `gain`
};

struct Developed {
    Image image;
    bool halfSize = false;  // whether LibRaw's half-size mode was used
};

// One RAW file opened with its own LibRaw instance (nothing is shared
// between calls, so any number can run at once). Failures of any kind,
// including LibRaw's error codes and exceptions, come back as nothing.
class LibRawSession {
public:
    static std::optional<LibRawSession> open(const std::filesystem::path& file);
    LibRawSession(LibRawSession&&) noexcept;
    LibRawSession& operator=(LibRawSession&&) noexcept;
    ~LibRawSession();

    const RawFacts& facts() const { return facts_; }

    // Unpacks and develops the sensor data with the camera's white balance
    // into linear light with sRGB primaries, upright (LibRaw's flip is
    // applied here, and only here), RGBA with alpha 1. LibRaw's buffers are
    // released before it returns; a session develops once. Half-size mode
    // is asked for, not promised: sensors that cannot be halved exactly
    // come back at full size.
    std::optional<Developed> develop(const DevelopParams& params);

    // The embedded preview as stored (not turned upright), when it is a JPEG
    // or an 8-bit bitmap with at least `minLongSide` pixels on its long side;
    // JPEGs are decoded at the smallest DCT-scaled size that still is.
    std::optional<Bitmap8> preview(int minLongSide);

private:
    explicit LibRawSession(std::unique_ptr<LibRaw> raw);

    std::unique_ptr<LibRaw> raw_;
    RawFacts facts_;
};

}  // namespace ombrel::raw
