#include "RawDefaults.h"

#include "RawNoiseAmounts.h"

namespace ombrel::raw {

RawOptions defaultOptions(double iso, bool lensCorrectionSupported) {
    RawOptions d;
    d.lumNR = defaultLuminanceAmount(iso);
    d.colorNR = defaultColorAmount(iso);
    d.moire = 0.0;
    if (lensCorrectionSupported) d.lensProfile = true;
    d.appleBoost = true;
    return d;
}

RawOptions effectiveOptions(const RawOptions& defaults, const RawOptions& options) {
    RawOptions e = defaults;
    if (options.lumNR) e.lumNR = options.lumNR;
    if (options.colorNR) e.colorNR = options.colorNR;
    if (options.moire) e.moire = options.moire;
    if (options.lensProfile && defaults.lensProfile) e.lensProfile = options.lensProfile;
    if (options.appleBoost) e.appleBoost = options.appleBoost;
    return e;
}

}  // namespace ombrel::raw
