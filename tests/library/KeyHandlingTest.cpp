#include "library/KeyHandling.h"

#include <gtest/gtest.h>

using namespace ombrel;
using namespace ombrel::keys;

TEST(KeyHandling, SingleKeysActOnlyWithoutShortcutModifiersOutsideDialogsAndTextFields) {
    struct Case {
        Key key;
        const char* text;
        Modifiers modifiers;
        bool dialog, textField, photosOpen;
        std::optional<Action> expected;
        const char* why;
    };
    const Modifiers none{}, shift{.shift = true}, ctrl{.ctrl = true}, alt{.alt = true}, meta{.meta = true},
        ctrlShift{.ctrl = true, .shift = true};
    const Case cases[] = {
        {Key::other, "0", none, false, false, true, Rate{0}, "ratings"},
        {Key::other, "3", none, false, false, true, Rate{3}, ""},
        {Key::other, "5", none, false, false, true, Rate{5}, ""},
        {Key::other, "p", none, false, false, true, ToggleFlag{Flag::pick}, "flags"},
        {Key::other, "x", none, false, false, true, ToggleFlag{Flag::reject}, ""},
        {Key::other, "j", none, false, false, true, ToggleClipping{}, "views"},
        {Key::other, "\\", none, false, false, true, ToggleBefore{}, ""},
        {Key::other, "P", shift, false, false, true, ToggleFlag{Flag::pick}, "shift only changes the text"},
        {Key::other, "X", shift, false, false, true, ToggleFlag{Flag::reject}, ""},
        {Key::other, "J", shift, false, false, true, ToggleClipping{}, ""},
        {Key::other, "|", shift, false, false, true, std::nullopt, "shift+backslash types another character"},
        {Key::rightArrow, "", none, false, false, false, Step{1}, "arrows are consumed with nothing open"},
        {Key::leftArrow, "", none, false, false, false, Step{-1}, ""},
        {Key::leftArrow, "", shift, false, false, true, Step{-1}, ""},
        {Key::other, "p", none, false, false, false, std::nullopt, "letters and digits need photos"},
        {Key::other, "1", none, false, false, false, std::nullopt, ""},
        {Key::rightArrow, "", none, true, false, true, std::nullopt, "dialogs get every key"},
        {Key::other, "p", none, true, false, true, std::nullopt, ""},
        {Key::other, "p", none, false, true, true, std::nullopt, "so do text fields"},
        {Key::other, "4", none, false, true, true, std::nullopt, ""},
        {Key::leftArrow, "", none, false, true, true, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(handleKey(c.key, c.modifiers, c.text, c.dialog, c.textField, c.photosOpen), c.expected)
            << '"' << c.text << "\" " << c.why;
    }
    for (const char* text : {"6", "7", "9", "a", "q", "|", "pp", "10", " ", ""}) {
        EXPECT_FALSE(handleKey(Key::other, none, text, false, false, true)) << '"' << text << "\" passes through";
    }
    // Shortcut modifiers leave keys to the menus.
    for (const Modifiers m : {ctrl, alt, meta, ctrlShift}) {
        EXPECT_FALSE(handleKey(Key::other, m, "z", false, false, true));
        EXPECT_FALSE(handleKey(Key::other, m, "3", false, false, true));
        EXPECT_FALSE(handleKey(Key::rightArrow, m, "", false, false, true));
    }
}
