#pragma once

// Summaries of decoded pictures that tests compare (region means,
// colourfulness, differences), and what crafted and edited files are made of:
// byte-ordered numbers and the checksum of PNG chunks.
#include "render/PixelBuffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace ombrel::test {

struct Rgb {
    double r = 0, g = 0, b = 0;
    double luminance() const { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }
    // Each channel's share of the sum: the colour without its brightness.
    Rgb normalised() const { return {r / (r + g + b), g / (r + g + b), b / (r + g + b)}; }
};

inline double distance(const Rgb& a, const Rgb& b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// Mean of the region given as fractions of the width and height.
template <typename T, int C>
Rgb meanOf(const PixelBuffer<T, C>& image, double x0, double y0, double x1, double y1) {
    const int xa = static_cast<int>(x0 * image.width()), xb = std::max(xa + 1, static_cast<int>(x1 * image.width()));
    const int ya = static_cast<int>(y0 * image.height()), yb = std::max(ya + 1, static_cast<int>(y1 * image.height()));
    Rgb sum;
    for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x) {
            const T* p = image.pixel(x, y);
            sum.r += p[0];
            sum.g += p[1];
            sum.b += p[2];
        }
    const double n = static_cast<double>(xb - xa) * (yb - ya);
    return {sum.r / n, sum.g / n, sum.b / n};
}

// Means of the four quadrants: top left, top right, bottom left, bottom right.
template <typename T, int C>
std::array<Rgb, 4> quadrants(const PixelBuffer<T, C>& image) {
    return {meanOf(image, 0, 0, 0.5, 0.5), meanOf(image, 0.5, 0, 1, 0.5), meanOf(image, 0, 0.5, 0.5, 1),
            meanOf(image, 0.5, 0.5, 1, 1)};
}

// Largest difference between corresponding quadrant means.
template <typename T, int C>
double quadrantDifference(const PixelBuffer<T, C>& a, const PixelBuffer<T, C>& b) {
    const auto qa = quadrants(a), qb = quadrants(b);
    double d = 0;
    for (int i = 0; i < 4; ++i) d = std::max(d, distance(qa[i], qb[i]));
    return d;
}

// Mean spread between the strongest and weakest channel: how colourful.
template <typename T, int C>
double meanChroma(const PixelBuffer<T, C>& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const T* p = image.pixel(x, y);
            sum += static_cast<double>(std::max({p[0], p[1], p[2]})) - std::min({p[0], p[1], p[2]});
        }
    return sum / (static_cast<double>(image.width()) * image.height());
}

// The largest and the mean difference between two pictures of the same size, any channel.
template <typename T, int C>
double maxDifference(const PixelBuffer<T, C>& a, const PixelBuffer<T, C>& b) {
    double worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (std::size_t i = 0; i < a.rowLength(); ++i) worst = std::max(worst, std::abs(double(a.row(y)[i]) - b.row(y)[i]));
    return worst;
}
template <typename T, int C>
double meanAbsDifference(const PixelBuffer<T, C>& a, const PixelBuffer<T, C>& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (std::size_t i = 0; i < a.rowLength(); ++i) sum += std::abs(double(a.row(y)[i]) - b.row(y)[i]);
    return sum / (static_cast<double>(a.rowLength()) * a.height());
}

// `v` in `bytes` bytes, least or most significant first.
inline std::string le(std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
    return s;
}
inline std::string be(std::uint32_t v, int bytes) {
    const std::string s = le(v, bytes);
    return {s.rbegin(), s.rend()};
}

// The CRC-32 a PNG chunk ends with.
inline std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace ombrel::test
