#pragma once

#include "EnumTexts.h"

namespace ombrel {

enum class Flag { none, pick, reject };

// Texts are the sidecar's stored values.
inline constexpr EnumTexts<Flag, 3> flagTexts{{{
    {Flag::none, "none"},
    {Flag::pick, "pick"},
    {Flag::reject, "reject"},
}}};

}  // namespace ombrel
