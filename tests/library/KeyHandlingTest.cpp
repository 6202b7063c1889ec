#include "library/KeyHandling.h"

#include <gtest/gtest.h>

using namespace ombrel;
using namespace ombrel::keys;

namespace {

std::optional<Action> press(std::string_view text, Modifiers modifiers = {}, bool photosOpen = true) {
    return handleKey(Key::other, modifiers, text, false, false, photosOpen);
}

}  // namespace

TEST(KeyHandling, TheTableOfSingleKeys) {
    EXPECT_EQ(press("0"), Action(Rate{0}));
    EXPECT_EQ(press("3"), Action(Rate{3}));
    EXPECT_EQ(press("5"), Action(Rate{5}));
    EXPECT_EQ(press("p"), Action(ToggleFlag{Flag::pick}));
    EXPECT_EQ(press("x"), Action(ToggleFlag{Flag::reject}));
    EXPECT_EQ(press("j"), Action(ToggleClipping{}));
    EXPECT_EQ(press("\\"), Action(ToggleBefore{}));
}

TEST(KeyHandling, OtherTextsPassThrough) {
    for (const char* text : {"6", "7", "9", "a", "q", "|", "pp", "10", " ", ""}) {
        EXPECT_FALSE(press(text).has_value()) << '"' << text << '"';
    }
}

TEST(KeyHandling, ShiftOnlyChangesTheText) {
    const Modifiers shift{.shift = true};
    EXPECT_EQ(press("P", shift), Action(ToggleFlag{Flag::pick}));
    EXPECT_EQ(press("X", shift), Action(ToggleFlag{Flag::reject}));
    EXPECT_EQ(press("J", shift), Action(ToggleClipping{}));
    // Shift+backslash types another character.
    EXPECT_FALSE(press("|", shift).has_value());
}

TEST(KeyHandling, ShortcutModifiersLeaveKeysToTheMenus) {
    for (const Modifiers modifiers : {Modifiers{.ctrl = true}, Modifiers{.alt = true}, Modifiers{.meta = true},
                                      Modifiers{.ctrl = true, .shift = true}}) {
        EXPECT_FALSE(press("z", modifiers).has_value());
        EXPECT_FALSE(press("3", modifiers).has_value());
        EXPECT_FALSE(handleKey(Key::rightArrow, modifiers, "", false, false, true).has_value());
    }
}

TEST(KeyHandling, ArrowsAreConsumedEvenWithNothingOpen) {
    EXPECT_EQ(handleKey(Key::rightArrow, {}, "", false, false, false), Action(Step{1}));
    EXPECT_EQ(handleKey(Key::leftArrow, {}, "", false, false, false), Action(Step{-1}));
    EXPECT_EQ(handleKey(Key::leftArrow, {.shift = true}, "", false, false, true), Action(Step{-1}));
    // Letters and digits need photos.
    EXPECT_FALSE(press("p", {}, false).has_value());
    EXPECT_FALSE(press("1", {}, false).has_value());
}

TEST(KeyHandling, DialogsAndTextFieldsGetEveryKey) {
    EXPECT_FALSE(handleKey(Key::rightArrow, {}, "", true, false, true).has_value());
    EXPECT_FALSE(handleKey(Key::other, {}, "p", true, false, true).has_value());
    EXPECT_FALSE(handleKey(Key::other, {}, "p", false, true, true).has_value());
    EXPECT_FALSE(handleKey(Key::other, {}, "4", false, true, true).has_value());
    EXPECT_FALSE(handleKey(Key::leftArrow, {}, "", false, true, true).has_value());
}
