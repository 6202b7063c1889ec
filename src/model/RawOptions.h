#pragma once

#include <optional>

namespace ombrel {

// Options handed to the RAW decoder; an absent option keeps the decoder's own
// default for the file. Amounts are fractions 0...1.
struct RawOptions {
    std::optional<double> lumNR;
    std::optional<double> colorNR;
    std::optional<double> moire;
    std::optional<bool> lensProfile;
    std::optional<bool> appleBoost;  // stored name kept for file compatibility: the tone boost

    bool operator==(const RawOptions&) const = default;
};

}  // namespace ombrel
