#pragma once

// Helpers shared by the RAW decoder tests: reading the test photos' own
// embedded previews, editing tags of a DNG copy, and measuring pictures.

#include "ImageStats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ombrel::test {

inline const std::string dngFile = "raw/canon_powershot_s40_crop_from_CRW_0117.dng";
inline const std::string crwFile = "raw/canon_powershot_s40_CRW_0113.crw";

// The bytes of a little-endian TIFF (a DNG) with a few of its tags edited in
// place. Each edit fails the test (throws) when the tag is not there.
class DngBytes {
public:
    explicit DngBytes(std::string bytes);
    const std::string& bytes() const { return bytes_; }

    void setOrientation(int orientation);       // IFD0 Orientation
    void setIso(int iso);                       // EXIF ISOSpeedRatings
    void setRawCompression(int compression);    // the raw SubIFD's Compression
    void replaceText(const std::string& from, const std::string& to);  // same length

    // IFD0's uncompressed 8-bit RGB preview.
    Bitmap8 ifd0Preview() const;

private:
    std::uint32_t u32(std::size_t at) const;
    std::uint16_t u16(std::size_t at) const;
    std::size_t entry(std::uint32_t ifd, std::uint16_t tag) const;
    std::uint32_t value(std::uint32_t ifd, std::uint16_t tag) const;
    void setShort(std::uint32_t ifd, std::uint16_t tag, int value);

    std::string bytes_;
};

// The largest JPEG picture found in a file's bytes (a CRW's embedded preview).
std::optional<Bitmap8> largestEmbeddedJpeg(const std::string& bytes);

struct Rect {
    int x, y, width, height;
};

// Mean linear colour, of the whole picture or of a rectangle.
Rgb meanColour(const Image& image);
Rgb meanColour(const Image& image, Rect r);
Rgb meanColour(const Bitmap8& bitmap);  // sRGB decoded to linear
Rgb meanColour(const Bitmap8& bitmap, Rect r);

// The 8-bit sRGB code of a linear value (unrounded).
double srgbLevel(double linear);

// CIELAB under D65, for linear sRGB colours, with lcms2's conversions and
// colour difference.
struct Lab {
    double l = 0, a = 0, b = 0;
    double hue() const;  // degrees, 0...360
};
Lab labOf(const Rgb& linearSrgb);
// A D50 reference value seen under D65 (Bradford adaptation).
Lab fromD50(const Lab& d50);
Rgb linearSrgbOf(const Lab& lab);
double deltaE2000(const Lab& x, const Lab& y);
double hueDifference(const Lab& from, const Lab& to);  // degrees, -180...180

// Linear luminance averaged over a grid of cells x rows blocks.
std::vector<double> luminanceGrid(const Image& image, int cells, int rows);
std::vector<double> luminanceGrid(const Bitmap8& bitmap, int cells, int rows);
double correlation(const std::vector<double>& a, const std::vector<double>& b);

// Noise on a flat area: the standard deviation of what a 3x3 mean does not
// explain, for luminance and for the colour differences (R-G, B-G) relative
// to the area's mean luminance.
struct Noise {
    double luma = 0;
    double chroma = 0;
};
Noise measureNoise(const Image& image, Rect r);

}  // namespace ombrel::test
