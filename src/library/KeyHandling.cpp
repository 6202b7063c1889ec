#include "KeyHandling.h"

#include <string>

namespace ombrel::keys {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

std::optional<Action> handleKey(Key key, Modifiers modifiers, std::string_view text, bool dialogActive,
                                bool textFieldFocused, bool photosOpen) {
    // Sheets and dialogs, and typing into a field, get every key.
    if (dialogActive || textFieldFocused) return std::nullopt;
    if (modifiers.ctrl || modifiers.alt || modifiers.meta) return std::nullopt;

    // Arrows are consumed even with nothing open, so they never scroll anything else.
    if (key == Key::rightArrow) return Step{1};
    if (key == Key::leftArrow) return Step{-1};

    if (!photosOpen || text.empty()) return std::nullopt;
    const std::string typed = lowerAscii(text);
    if (typed.size() == 1 && typed[0] >= '0' && typed[0] <= '5') return Rate{typed[0] - '0'};
    if (typed == "p") return ToggleFlag{Flag::pick};
    if (typed == "x") return ToggleFlag{Flag::reject};
    if (typed == "j") return ToggleClipping{};
    if (typed == "\\") return ToggleBefore{};
    return std::nullopt;
}

}  // namespace ombrel::keys
