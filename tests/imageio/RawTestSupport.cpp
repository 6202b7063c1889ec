#include "RawTestSupport.h"

#include "imageio/EmbeddedJpeg.h"
#include "render/SrgbTables.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace ombrel::test {

DngBytes::DngBytes(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < 8 || bytes_.compare(0, 2, "II") != 0) throw std::runtime_error("not a little-endian TIFF");
}

std::uint32_t DngBytes::u32(std::size_t at) const {
    std::uint32_t v;
    std::memcpy(&v, bytes_.data() + at, 4);
    return v;
}

std::uint16_t DngBytes::u16(std::size_t at) const {
    std::uint16_t v;
    std::memcpy(&v, bytes_.data() + at, 2);
    return v;
}

std::size_t DngBytes::entry(std::uint32_t ifd, std::uint16_t tag) const {
    const int count = u16(ifd);
    for (int i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + 12 * static_cast<std::size_t>(i);
        if (u16(at) == tag) return at;
    }
    throw std::runtime_error("tag " + std::to_string(tag) + " not found");
}

std::uint32_t DngBytes::value(std::uint32_t ifd, std::uint16_t tag) const {
    const std::size_t at = entry(ifd, tag);
    return u16(at + 2) == 3 ? u16(at + 8) : u32(at + 8);  // SHORT or LONG, one value
}

void DngBytes::setShort(std::uint32_t ifd, std::uint16_t tag, int v) {
    const std::size_t at = entry(ifd, tag);
    if (u16(at + 2) != 3) throw std::runtime_error("tag " + std::to_string(tag) + " is not a SHORT");
    const std::uint16_t s = static_cast<std::uint16_t>(v);
    std::memcpy(bytes_.data() + at + 8, &s, 2);
}

void DngBytes::setOrientation(int orientation) { setShort(u32(4), 0x0112, orientation); }
void DngBytes::setIso(int iso) { setShort(value(u32(4), 0x8769), 0x8827, iso); }
void DngBytes::setRawCompression(int compression) { setShort(value(u32(4), 0x014a), 0x0103, compression); }

void DngBytes::replaceText(const std::string& from, const std::string& to) {
    if (from.size() != to.size()) throw std::runtime_error("replacement must keep the length");
    bool found = false;
    for (std::size_t at = bytes_.find(from); at != std::string::npos; at = bytes_.find(from, at + 1)) {
        bytes_.replace(at, from.size(), to);
        found = true;
    }
    if (!found) throw std::runtime_error("text not found: " + from);
}

Bitmap8 DngBytes::ifd0Preview() const {
    const std::uint32_t ifd0 = u32(4);
    const int width = static_cast<int>(value(ifd0, 0x0100)), height = static_cast<int>(value(ifd0, 0x0101));
    Bitmap8 out(width, height);
    std::memcpy(out.data(), bytes_.data() + value(ifd0, 0x0111), out.byteCount());
    return out;
}

std::optional<Bitmap8> largestEmbeddedJpeg(const std::string& bytes) {
    std::optional<Bitmap8> best;
    for (std::size_t at = bytes.find("\xFF\xD8\xFF"); at != std::string::npos; at = bytes.find("\xFF\xD8\xFF", at + 1)) {
        auto picture = decodeJpeg(reinterpret_cast<const unsigned char*>(bytes.data()) + at, bytes.size() - at, 0);
        if (picture && (!best || picture->width() * picture->height() > best->width() * best->height()))
            best = std::move(picture);
    }
    return best;
}

namespace {

// Linear light of a sample: working images are linear already, 8-bit ones sRGB.
double linear(float v) { return v; }
double linear(std::uint8_t v) { return srgb8ToLinear()[v]; }

template <typename Buffer>
Rgb mean(const Buffer& picture, Rect rect) {
    double s[3] = {0, 0, 0};
    for (int y = rect.y; y < rect.y + rect.height; ++y)
        for (int x = rect.x; x < rect.x + rect.width; ++x)
            for (int c = 0; c < 3; ++c) s[c] += linear(picture.pixel(x, y)[c]);
    const double n = static_cast<double>(rect.width) * rect.height;
    return {s[0] / n, s[1] / n, s[2] / n};
}

template <typename Buffer>
std::vector<double> grid(const Buffer& picture, int cells, int rows) {
    std::vector<double> sums(static_cast<std::size_t>(cells) * rows, 0.0), counts(sums.size(), 0.0);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y * rows / picture.height()) * cells +
                                  static_cast<std::size_t>(x * cells / picture.width());
            const auto* p = picture.pixel(x, y);
            sums[i] += 0.2126 * linear(p[0]) + 0.7152 * linear(p[1]) + 0.0722 * linear(p[2]);
            counts[i] += 1;
        }
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] /= counts[i];
    return sums;
}

}  // namespace

Rgb meanColour(const Image& image, Rect rect) { return mean(image, rect); }
Rgb meanColour(const Image& image) { return mean(image, {0, 0, image.width(), image.height()}); }
Rgb meanColour(const Bitmap8& bitmap, Rect rect) { return mean(bitmap, rect); }
Rgb meanColour(const Bitmap8& bitmap) { return mean(bitmap, {0, 0, bitmap.width(), bitmap.height()}); }

double srgbLevel(double v) {
    v = std::clamp(v, 0.0, 1.0);
    return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
}

namespace {

const cmsCIEXYZ d65{0.95047, 1.0, 1.08883};

Lab fromCms(const cmsCIELab& lab) { return {lab.L, lab.a, lab.b}; }
cmsCIELab toCms(const Lab& lab) { return {lab.l, lab.a, lab.b}; }

}  // namespace

double Lab::hue() const { return std::fmod(std::atan2(b, a) * 180 / 3.14159265358979323846 + 360, 360); }

Lab labOf(const Rgb& c) {
    const cmsCIEXYZ xyz{0.4124564 * c.r + 0.3575761 * c.g + 0.1804375 * c.b,
                        0.2126729 * c.r + 0.7151522 * c.g + 0.0721750 * c.b,
                        0.0193339 * c.r + 0.1191920 * c.g + 0.9503041 * c.b};
    cmsCIELab lab;
    cmsXYZ2Lab(&d65, &lab, &xyz);
    return fromCms(lab);
}

Lab fromD50(const Lab& d50) {
    const cmsCIELab in = toCms(d50);
    cmsCIEXYZ xyz, adapted;
    cmsLab2XYZ(cmsD50_XYZ(), &xyz, &in);
    cmsAdaptToIlluminant(&adapted, cmsD50_XYZ(), &d65, &xyz);  // Bradford
    cmsCIELab out;
    cmsXYZ2Lab(&d65, &out, &adapted);
    return fromCms(out);
}

Rgb linearSrgbOf(const Lab& lab) {
    const cmsCIELab in = toCms(lab);
    cmsCIEXYZ c;
    cmsLab2XYZ(&d65, &c, &in);
    return {3.2404542 * c.X - 1.5371385 * c.Y - 0.4985314 * c.Z, -0.9692660 * c.X + 1.8760108 * c.Y + 0.0415560 * c.Z,
            0.0556434 * c.X - 0.2040259 * c.Y + 1.0572252 * c.Z};
}

double deltaE2000(const Lab& x, const Lab& y) {
    const cmsCIELab a = toCms(x), b = toCms(y);
    return cmsCIE2000DeltaE(&a, &b, 1, 1, 1);
}

double hueDifference(const Lab& from, const Lab& to) { return std::remainder(to.hue() - from.hue(), 360.0); }

std::vector<double> luminanceGrid(const Image& image, int cells, int rows) { return grid(image, cells, rows); }
std::vector<double> luminanceGrid(const Bitmap8& bitmap, int cells, int rows) { return grid(bitmap, cells, rows); }

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) ma += a[i] / n, mb += b[i] / n;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

Noise measureNoise(const Image& image, Rect r) {
    const double meanLuma = meanColour(image, r).luminance();
    const auto residual = [&](int x, int y, auto value) {
        double mean = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) mean += value(image.pixel(x + dx, y + dy));
        return value(image.pixel(x, y)) - mean / 9;
    };
    const auto luma = [](const float* p) { return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]; };
    const auto redGreen = [](const float* p) { return static_cast<double>(p[0]) - p[1]; };
    const auto blueGreen = [](const float* p) { return static_cast<double>(p[2]) - p[1]; };
    double sl = 0, sc = 0;
    long n = 0;
    for (int y = r.y + 1; y < r.y + r.height - 1; ++y)
        for (int x = r.x + 1; x < r.x + r.width - 1; ++x, ++n) {
            const double l = residual(x, y, luma), rg = residual(x, y, redGreen), bg = residual(x, y, blueGreen);
            sl += l * l;
            sc += rg * rg + bg * bg;
        }
    return {std::sqrt(sl / n) / meanLuma, std::sqrt(sc / (2.0 * n)) / meanLuma};
}

}  // namespace ombrel::test
