#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ombrel::valuetext {

// `value` written with a printf-style format of one conversion, "%.0f",
// "%+.2f" or "%.1f°" (flag '+', a precision, 'f', text around it), always with
// a decimal point whatever the user's locale.
std::string format(std::string_view format, double value);

// What the user typed into a value label: a number, optionally with the
// format's surrounding text (the degree sign) and blanks, a comma accepted as
// the decimal point. Clamped to min...max; nothing when it is not a number.
std::optional<double> parse(std::string_view typed, std::string_view format, double min, double max);

}  // namespace ombrel::valuetext
