#pragma once

#include "model/EditSettings.h"

namespace ombrel::test {

// Settings in which every field, at every level, differs from its default.
inline EditSettings fullyEditedSettings() {
    return {.exposure = 1.25, .contrast = 12, .highlights = -33.5, .shadows = 41, .whites = -7, .blacks = 9.75,
            .temperature = -18.3, .tint = 6.1, .vibrance = 22, .saturation = -14,
            .curves = {.master = {{0, 0.05}, {0.4, 0.5}, {1, 0.9}},
                       .red = {{0, 0}, {0.5, 0.55}, {1, 1}},
                       .green = {{0.1, 0}, {1, 1}},
                       .blue = {{1, 0.93}, {0, 0.04}}},  // unsorted on purpose
            .hsl = {.hue = {1, -2, 3, -4, 5, -6, 7, -8},
                    .sat = {10, 20, 30, 40, 50, 60, 70, 80},
                    .lum = {-0.5, 0.25, 0, 0, 0, 0, 0, 100}},
            .sharpAmount = 55, .sharpRadius = 1.8, .lumNR = 30, .colorNR = 45, .vignette = -25, .distortion = 12.5,
            .crop = {0.1, 0.15, 0.7, 0.6, -2.5, -1, true, true, "16:9", true},
            .raw = {.lumNR = 0.35, .colorNR = 0.6, .moire = 0.2, .lensProfile = false, .appleBoost = true}};
}

}  // namespace ombrel::test
