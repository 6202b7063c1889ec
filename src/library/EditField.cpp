#include "EditField.h"

#include <array>
#include <string_view>

namespace ombrel {
namespace {

// In the order of EditField::Scalar.
constexpr std::array<std::string_view, 17> scalarKeys{
    "exposure", "contrast", "highlights", "shadows", "whites", "blacks", "temperature", "tint", "vibrance",
    "saturation", "sharpAmount", "sharpRadius", "lumNR", "colorNR", "vignette", "distortion", "crop.angle"};

constexpr std::array<std::string_view, 3> hslListKeys{"hue", "sat", "lum"};

// Works for reading (const settings) and writing alike.
template <typename Settings>
auto& scalarOf(Settings& s, EditField::Scalar field) {
    using S = EditField::Scalar;
    switch (field) {
        case S::exposure: return s.exposure;
        case S::contrast: return s.contrast;
        case S::highlights: return s.highlights;
        case S::shadows: return s.shadows;
        case S::whites: return s.whites;
        case S::blacks: return s.blacks;
        case S::temperature: return s.temperature;
        case S::tint: return s.tint;
        case S::vibrance: return s.vibrance;
        case S::saturation: return s.saturation;
        case S::sharpAmount: return s.sharpAmount;
        case S::sharpRadius: return s.sharpRadius;
        case S::lumNR: return s.lumNR;
        case S::colorNR: return s.colorNR;
        case S::vignette: return s.vignette;
        case S::distortion: return s.distortion;
        case S::cropAngle: return s.crop.angle;
    }
    return s.exposure;
}

template <typename Settings>
auto& listOf(Settings& s, EditField::HslList list) {
    switch (list) {
        case EditField::HslList::hue: return s.hsl.hue;
        case EditField::HslList::sat: return s.hsl.sat;
        case EditField::HslList::lum: return s.hsl.lum;
    }
    return s.hsl.hue;
}

}  // namespace

EditField EditField::hsl(HslList list, std::size_t band) {
    return EditField(list, band < hslBandCount ? band : hslBandCount - 1);
}

std::string EditField::key() const {
    if (!isHsl_) return std::string(scalarKeys[static_cast<std::size_t>(scalar_)]);
    return "hsl." + std::string(hslListKeys[static_cast<std::size_t>(list_)]) + "." + std::to_string(band_);
}

// Decoding guarantees eight entries per list, so a band always exists.
double EditField::get(const EditSettings& settings) const {
    return isHsl_ ? listOf(settings, list_)[band_] : scalarOf(settings, scalar_);
}

void EditField::set(EditSettings& settings, double value) const {
    if (isHsl_) {
        listOf(settings, list_)[band_] = value;
    } else {
        scalarOf(settings, scalar_) = value;
    }
}

}  // namespace ombrel
