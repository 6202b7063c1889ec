#pragma once

#include "model/Flag.h"

#include <optional>
#include <string_view>
#include <variant>

namespace ombrel {

// The keys the window answers by itself, besides its menu shortcuts. Free of
// any toolkit: the application's event filter translates its key events into
// these terms and performs what comes back.
namespace keys {

enum class Key { leftArrow, rightArrow, other };

// Ctrl, Alt and Meta keep a key for menus and shortcuts; Shift and Caps Lock
// do not (they only change the text).
struct Modifiers {
    bool ctrl = false;
    bool alt = false;
    bool meta = false;
    bool shift = false;
};

struct Step {
    int delta = 0;
    bool operator==(const Step&) const = default;
};
struct Rate {
    int rating = 0;
    bool operator==(const Rate&) const = default;
};
struct ToggleFlag {
    Flag flag = Flag::none;
    bool operator==(const ToggleFlag&) const = default;
};
struct ToggleClipping {
    bool operator==(const ToggleClipping&) const = default;
};
struct ToggleBefore {
    bool operator==(const ToggleBefore&) const = default;
};

using Action = std::variant<Step, Rate, ToggleFlag, ToggleClipping, ToggleBefore>;

// What one key press does: an action means the key is consumed; nothing means
// it goes on to menus, shortcuts and text fields. `text` is what the key types
// ignoring modifiers other than Shift (Shift+P gives "P", Shift+\ gives "|").
std::optional<Action> handleKey(Key key, Modifiers modifiers, std::string_view text, bool dialogActive,
                                bool textFieldFocused, bool photosOpen);

}  // namespace keys
}  // namespace ombrel
