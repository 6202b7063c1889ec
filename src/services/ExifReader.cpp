#include "ExifReader.h"

#include "imageio/ImageLoader.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace ombrel::ExifReader {

namespace {

// Length of the horizontal white space (tab or a Unicode space separator, in
// UTF-8) starting at `s[i]`, 0 when there is none. Line breaks do not count.
std::size_t spaceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
    if (byte(0) == ' ' || byte(0) == '\t') return 1;
    if (byte(0) == 0xC2 && byte(1) == 0xA0) return 2;                                       // no-break space
    if (byte(0) == 0xE1 && byte(1) == 0x9A && byte(2) == 0x80) return 3;                    // ogham space
    if (byte(0) == 0xE2 && byte(1) == 0x80 && (byte(2) <= 0x8A || byte(2) == 0xAF)) return 3;  // en quad...hair, narrow
    if (byte(0) == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) return 3;                    // medium mathematical
    if (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) return 3;                    // ideographic
    return 0;
}

std::string_view trimSpaces(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        const std::size_t n = spaceAt(s, begin);
        if (n == 0) break;
        begin += n;
    }
    std::size_t end = begin;  // one past the last character that is not a space
    for (std::size_t i = begin; i < s.size();) {
        const std::size_t n = spaceAt(s, i);
        i += n ? n : 1;
        if (!n) end = i;
    }
    return s.substr(begin, end - begin);
}

// `value` with `decimals` digits after the point, rounded as printf does,
// never with a locale's separator.
std::string fixed(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

// Make and model are trimmed each before joining: EXIF pads them with blanks,
// and a padded make would otherwise leave two blanks before the model.
std::string camera(const ImageProperties& p) {
    const std::string make(trimSpaces(p.make.value_or(""))), model(trimSpaces(p.model.value_or("")));
    if (make.empty() || model.starts_with(make)) return model;
    if (model.empty()) return make;
    return make + " " + model;
}

std::string shutter(double seconds) {
    if (seconds >= 1) return fixed(seconds, 1) + " s";
    return "1/" + fixed(std::round(1 / seconds), 0) + " s";
}

std::optional<double> finite(const std::optional<double>& v) {
    return v && std::isfinite(*v) ? v : std::nullopt;
}

}  // namespace

Lines lines(const ImageProperties& p) {
    Lines out;
    if (const std::string c = camera(p); !c.empty()) out.emplace_back("Camera", c);
    if (const auto& lens = p.lensModel ? p.lensModel : p.auxLensModel) out.emplace_back("Lens", *lens);
    if (p.isoSpeedRatings && !p.isoSpeedRatings->empty()) {
        out.emplace_back("ISO", std::to_string(p.isoSpeedRatings->front()));
    }
    if (const auto f = finite(p.fNumber)) out.emplace_back("Aperture", "f/" + fixed(*f, 1));
    if (const auto t = finite(p.exposureTime); t && *t > 0) out.emplace_back("Shutter", shutter(*t));
    if (const auto mm = finite(p.focalLength)) out.emplace_back("Focal length", fixed(*mm, 0) + " mm");
    if (p.dateTimeOriginal) out.emplace_back("Date", *p.dateTimeOriginal);
    if (p.pixelWidth && p.pixelHeight) {
        out.emplace_back("Size", std::to_string(*p.pixelWidth) + " \u00D7 " + std::to_string(*p.pixelHeight));
    }
    return out;
}

Lines read(const std::filesystem::path& file) {
    const auto properties = ImageLoader::properties(file);
    return properties ? lines(*properties) : Lines{};
}

}  // namespace ombrel::ExifReader
