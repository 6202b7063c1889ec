#include "EditSettings.h"

namespace ombrel {

bool EditSettings::hasToneChanges() const {
    if (contrast != 0 || highlights != 0 || shadows != 0 || whites != 0 || blacks != 0) {
        return true;
    }
    const CurvePoints& id = CurveSet::identity();
    return curves.master != id || curves.red != id || curves.green != id || curves.blue != id;
}

}  // namespace ombrel
