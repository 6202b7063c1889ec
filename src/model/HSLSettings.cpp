#include "HSLSettings.h"

namespace ombrel {

bool HSLSettings::isNeutral() const {
    const std::vector<double> zeros(hslBandCount, 0.0);
    return hue == zeros && sat == zeros && lum == zeros;
}

}  // namespace ombrel
