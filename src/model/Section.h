#pragma once

#include "EnumTexts.h"

namespace ombrel {

// The collapsible sections of the adjustment sidebar, in display order. The
// title is the header text and part of the section's reset key.
enum class Section { basic, curve, hsl, detail, lens, crop, raw };

inline constexpr EnumTexts<Section, 7> sectionTexts{{{
    {Section::basic, "Basic"},
    {Section::curve, "Tone Curve"},
    {Section::hsl, "HSL"},
    {Section::detail, "Detail"},
    {Section::lens, "Lens"},
    {Section::crop, "Crop & Rotate"},
    {Section::raw, "RAW Decode"},
}}};

}  // namespace ombrel
