#pragma once

#include "EnumTexts.h"
#include "Flag.h"

namespace ombrel {

// The filmstrip's flag filter; its text is the control's label and identity.
enum class FlagFilter { all, picks, rejects, unflagged };

inline constexpr EnumTexts<FlagFilter, 4> flagFilterTexts{{{
    {FlagFilter::all, "All"},
    {FlagFilter::picks, "Picks"},
    {FlagFilter::rejects, "Rejects"},
    {FlagFilter::unflagged, "Unflagged"},
}}};

constexpr bool keeps(FlagFilter filter, Flag flag) {
    switch (filter) {
        case FlagFilter::all: return true;
        case FlagFilter::picks: return flag == Flag::pick;
        case FlagFilter::rejects: return flag == Flag::reject;
        case FlagFilter::unflagged: return flag == Flag::none;
    }
    return true;
}

}  // namespace ombrel
