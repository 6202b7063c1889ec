#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ombrel {

enum class OutputSpace { srgb, displayP3 };

// The ICC profile that describes pixels encoded for `space`: the space's
// primaries, D65 white and the sRGB tone curve, built with lcms2.
const std::vector<std::uint8_t>& iccProfile(OutputSpace space);

// Turns working pixels (linear light, sRGB primaries, RGBA float) into
// tone-encoded RGB of the output space. lcms2 derives the conversion once; the
// pixel loop is our own, as lcms2's float path is far too slow for full-size
// photos. Values outside the output gamut are clipped per channel.
class OutputColor {
public:
    explicit OutputColor(OutputSpace space);

    OutputSpace space() const { return space_; }

    // `n` pixels; `rgba` serves as scratch space and is overwritten.
    void encode(float* rgba, int n, std::uint8_t* rgb) const;
    void encode(float* rgba, int n, std::uint16_t* rgb) const;

    // Linear sRGB to linear output primaries, row-major; none for sRGB.
    const std::optional<std::array<float, 9>>& matrix() const { return matrix_; }

private:
    void toEncoded(float* rgba, int n) const;

    OutputSpace space_;
    std::optional<std::array<float, 9>> matrix_;
};

}  // namespace ombrel
