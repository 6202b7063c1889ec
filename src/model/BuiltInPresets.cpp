#include "BuiltInPresets.h"

namespace ombrel::BuiltInPresets {
namespace {

std::vector<Preset> make() {
    std::vector<Preset> presets;

    presets.push_back({Uuid::generate(), "Neutral", EditSettings{}});

    EditSettings punchy;
    punchy.contrast = 25;
    punchy.highlights = -20;
    punchy.shadows = 20;
    punchy.vibrance = 30;
    punchy.saturation = 8;
    punchy.sharpAmount = 40;
    punchy.curves.master = {{0, 0}, {0.25, 0.21}, {0.75, 0.8}, {1, 1}};
    presets.push_back({Uuid::generate(), "Punchy", punchy});

    EditSettings matte;
    matte.contrast = -10;
    matte.highlights = -15;
    matte.blacks = 35;
    matte.saturation = -10;
    matte.curves.master = {{0, 0.09}, {1, 0.95}};
    presets.push_back({Uuid::generate(), "Matte", matte});

    EditSettings blackAndWhite;
    blackAndWhite.contrast = 20;
    blackAndWhite.highlights = -10;
    blackAndWhite.shadows = 10;
    blackAndWhite.saturation = -100;
    blackAndWhite.sharpAmount = 30;
    presets.push_back({Uuid::generate(), "Black and white", blackAndWhite});

    EditSettings warmFilm;
    warmFilm.contrast = -5;
    warmFilm.blacks = 20;
    warmFilm.temperature = 18;
    warmFilm.tint = 4;
    warmFilm.vibrance = 10;
    warmFilm.saturation = -8;
    warmFilm.vignette = -20;
    warmFilm.curves.master = {{0, 0.05}, {0.5, 0.5}, {1, 0.97}};
    warmFilm.curves.blue = {{0, 0.04}, {1, 0.93}};
    presets.push_back({Uuid::generate(), "Warm film", warmFilm});

    return presets;
}

}  // namespace

const std::vector<Preset>& all() {
    static const std::vector<Preset> presets = make();
    return presets;
}

}  // namespace ombrel::BuiltInPresets
