#pragma once

#include "model/EditSettings.h"

namespace ombrel::test {

// Settings in which every field, at every level, differs from its default.
inline EditSettings fullyEditedSettings() {
    EditSettings s;
    s.exposure = 1.25;
    s.contrast = 12;
    s.highlights = -33.5;
    s.shadows = 41;
    s.whites = -7;
    s.blacks = 9.75;
    s.temperature = -18.3;
    s.tint = 6.1;
    s.vibrance = 22;
    s.saturation = -14;
    s.curves.master = {{0, 0.05}, {0.4, 0.5}, {1, 0.9}};
    s.curves.red = {{0, 0}, {0.5, 0.55}, {1, 1}};
    s.curves.green = {{0.1, 0}, {1, 1}};
    s.curves.blue = {{1, 0.93}, {0, 0.04}};  // unsorted on purpose
    s.hsl.hue = {1, -2, 3, -4, 5, -6, 7, -8};
    s.hsl.sat = {10, 20, 30, 40, 50, 60, 70, 80};
    s.hsl.lum = {-0.5, 0.25, 0, 0, 0, 0, 0, 100};
    s.sharpAmount = 55;
    s.sharpRadius = 1.8;
    s.lumNR = 30;
    s.colorNR = 45;
    s.vignette = -25;
    s.distortion = 12.5;
    s.crop = {0.1, 0.15, 0.7, 0.6, -2.5, -1, true, true, "16:9", true};
    s.raw.lumNR = 0.35;
    s.raw.colorNR = 0.6;
    s.raw.moire = 0.2;
    s.raw.lensProfile = false;
    s.raw.appleBoost = true;
    return s;
}

}  // namespace ombrel::test
