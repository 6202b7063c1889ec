#pragma once

#include "EditSettings.h"
#include "JsonStrict.h"

#include <optional>

namespace ombrel {

// The JSON form shared by sidecars and presets: one object per record, member
// names equal to the field names, every member written (RawOptions writes only
// the options that are set).
strictjson::Json toJson(const EditSettings& settings);

// Strict decoding: every member must be present with the right type, unknown
// members are ignored, RawOptions members may be missing or null, and each HSL
// array must hold exactly eight numbers.
std::optional<EditSettings> editSettingsFromJson(const strictjson::Json& json);

// The same, for decoders of enclosing documents: throws strictjson::DecodeError.
EditSettings decodeEditSettings(const strictjson::Json& json);

}  // namespace ombrel
