#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel::strictjson {

using Json = nlohmann::json;

// Thrown by the readers below and caught by the document decoders, which turn
// any failure into "no document". It never leaves the model's decode functions.
struct DecodeError {};

// The member `key` of an object; missing member or non-object fails.
const Json& member(const Json& object, std::string_view key);
// The member, or nothing when it is missing or null (optional members).
const Json* optionalMember(const Json& object, std::string_view key);

double number(const Json& value);         // any finite JSON number
std::int64_t integer(const Json& value);  // a whole number; 2.5 fails, 2.0 is 2
bool boolean(const Json& value);
std::string string(const Json& value);
const Json& array(const Json& value);

// Parses a whole document; syntax errors fail.
Json parse(std::string_view bytes);

// JSON cannot hold NaN or infinity: encoders refuse such values instead of
// writing them as null.
bool allNumbersFinite(const Json& value);

}  // namespace ombrel::strictjson
