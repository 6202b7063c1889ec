#include "AppModel.h"

#include <type_traits>
#include <variant>

namespace ombrel {

bool AppModel::handleKey(keys::Key key, keys::Modifiers modifiers, std::string_view text, bool dialogActive,
                         bool textFieldFocused) {
    const auto action = keys::handleKey(key, modifiers, text, dialogActive, textFieldFocused, !photos_.empty());
    if (!action) return false;
    std::visit(
        [this](const auto& a) {
            using A = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<A, keys::Step>) {
                step(a.delta);
            } else if constexpr (std::is_same_v<A, keys::Rate>) {
                setRating(a.rating);
            } else if constexpr (std::is_same_v<A, keys::ToggleFlag>) {
                toggleFlag(a.flag);
            } else if constexpr (std::is_same_v<A, keys::ToggleClipping>) {
                view_.setShowClipping(!view_.showClipping());
                view_.bumpTick();
            } else {
                view_.setShowBefore(!view_.showBefore());
                view_.bumpTick();
            }
        },
        *action);
    return true;
}

}  // namespace ombrel
