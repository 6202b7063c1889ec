#include "JsonStrict.h"

#include <cmath>
#include <limits>

namespace ombrel::strictjson {

const Json& member(const Json& object, std::string_view key) {
    if (!object.is_object()) throw DecodeError{};
    const auto it = object.find(key);
    if (it == object.end()) throw DecodeError{};
    return *it;
}

const Json* optionalMember(const Json& object, std::string_view key) {
    if (!object.is_object()) throw DecodeError{};
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

double number(const Json& value) {
    if (!value.is_number()) throw DecodeError{};
    const double d = value.get<double>();
    if (!std::isfinite(d)) throw DecodeError{};
    return d;
}

std::int64_t integer(const Json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) throw DecodeError{};
        return static_cast<std::int64_t>(u);
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        // 2^63 itself is out of range, hence the strict upper bound.
        if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 &&
            d < 9223372036854775808.0) {
            return static_cast<std::int64_t>(d);
        }
    }
    throw DecodeError{};
}

bool boolean(const Json& value) {
    if (!value.is_boolean()) throw DecodeError{};
    return value.get<bool>();
}

std::string string(const Json& value) {
    if (!value.is_string()) throw DecodeError{};
    return value.get<std::string>();
}

const Json& array(const Json& value) {
    if (!value.is_array()) throw DecodeError{};
    return value;
}

Json parse(std::string_view bytes) {
    Json doc = Json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (doc.is_discarded()) throw DecodeError{};
    return doc;
}

bool allNumbersFinite(const Json& value) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (value.is_structured()) {
        for (const auto& element : value) {
            if (!allNumbersFinite(element)) return false;
        }
    }
    return true;
}

}  // namespace ombrel::strictjson
