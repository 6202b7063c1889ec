#pragma once

#include "model/EnumTexts.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

enum class ExportFormat { jpeg, tiff, png };

// Labels as the export sheet lists them, in this order.
inline constexpr EnumTexts<ExportFormat, 3> exportFormatLabels{{{
    {ExportFormat::jpeg, "JPEG"},
    {ExportFormat::tiff, "TIFF"},
    {ExportFormat::png, "PNG"},
}}};

// The file extension written, without the dot.
inline constexpr EnumTexts<ExportFormat, 3> exportFormatExtensions{{{
    {ExportFormat::jpeg, "jpg"},
    {ExportFormat::tiff, "tif"},
    {ExportFormat::png, "png"},
}}};

constexpr std::string_view label(ExportFormat format) { return exportFormatLabels.text(format); }
constexpr std::string_view ext(ExportFormat format) { return exportFormatExtensions.text(format); }

// What the export sheet asks for. A fresh value holds the sheet's starting choices.
struct ExportOptions {
    ExportFormat format = ExportFormat::jpeg;
    double quality = 0.9;  // JPEG only: 0.3...1.0, 1.0 the best
    bool resize = false;   // limit the long edge to `longEdge`
    int longEdge = 2560;
    bool displayP3 = false;  // else sRGB
    std::string nameTemplate = "{name}";
    std::optional<std::filesystem::path> destination;  // the output folder

    bool operator==(const ExportOptions&) const = default;
};

}  // namespace ombrel
