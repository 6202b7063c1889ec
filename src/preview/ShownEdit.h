#pragma once

#include "model/EditSettings.h"

namespace ombrel {

// What the preview renders of an edit: the edit itself, the whole uncropped
// frame while the crop is being edited, or the untouched photo (keeping only
// its quarter turns) while the before view is on.
struct ShownEdit {
    EditSettings settings;
    bool skipCrop = false;
    bool clipping = false;

    static ShownEdit of(const EditSettings& settings, bool showBefore, bool cropEditing, bool clipping) {
        if (!showBefore) return {settings, cropEditing, clipping};
        EditSettings before;
        before.crop.quarterTurns = settings.crop.quarterTurns;
        return {before, false, clipping};
    }
    bool operator==(const ShownEdit&) const = default;
};

}  // namespace ombrel
