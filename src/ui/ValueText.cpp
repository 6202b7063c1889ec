#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ombrel::valuetext {
namespace {

struct Conversion {
    std::string_view prefix, suffix;
    bool plus = false;
    int precision = 6;
};

Conversion parseConversion(std::string_view format) {
    Conversion conv;
    const auto percent = format.find('%');
    const auto f = format.find('f', percent);
    if (percent == std::string_view::npos || f == std::string_view::npos) {
        conv.prefix = format;
        return conv;
    }
    conv.prefix = format.substr(0, percent);
    conv.suffix = format.substr(f + 1);
    std::string_view body = format.substr(percent + 1, f - percent - 1);
    if (body.starts_with('+')) {
        conv.plus = true;
        body.remove_prefix(1);
    }
    if (body.starts_with('.')) {
        body.remove_prefix(1);
        int precision = 0;
        if (std::from_chars(body.data(), body.data() + body.size(), precision).ec == std::errc()) {
            conv.precision = precision;
        }
    }
    return conv;
}

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string format(std::string_view format, double value) {
    const Conversion conv = parseConversion(format);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, conv.precision);
    std::string number(buffer, result.ec == std::errc() ? result.ptr : buffer);
    if (conv.plus && !number.starts_with('-')) number.insert(0, "+");
    return std::string(conv.prefix) + number + std::string(conv.suffix);
}

std::optional<double> parse(std::string_view typed, std::string_view format, double min, double max) {
    const Conversion conv = parseConversion(format);
    std::string_view text = trimmed(typed);
    if (!conv.suffix.empty() && text.ends_with(conv.suffix)) text = trimmed(text.substr(0, text.size() - conv.suffix.size()));
    if (text.starts_with('+')) text.remove_prefix(1);
    std::string number(text);
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return std::clamp(value, min, max);
}

}  // namespace ombrel::valuetext
