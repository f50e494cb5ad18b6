// The key table: every key with an action, the Ctrl variants, case of letters, and keys that go
// on to the toolkit.
#include <gtest/gtest.h>

#include <wx/defs.h>

#include "view/KeyTable.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(KeyTable, Actions) {
    using C = KeyCommand;
    const struct {
        int key;
        bool ctrl;
        C command;
        int axis;
        double amount;
        bool update;
    } cases[] = {
        {WXK_TAB, false, C::NextMouseMode, 0, 0, true},
        {WXK_ESCAPE, false, C::ClearSelection, 0, 0, true},
        {WXK_SPACE, false, C::TogglePlay, 0, 0, true},
        {'+', false, C::ZoomIn, 0, 0, true},
        {'-', false, C::ZoomOut, 0, 0, true},
        {'c', false, C::ToggleCull, 0, 0, true},
        {'C', true, C::ToggleCull, 0, 0, true},
        {'r', false, C::ResetView, 0, 0, true},
        {'R', false, C::ResetView, 0, 0, true},
        {'s', false, C::ToggleSmooth, 0, 0, true},
        {'S', false, C::ToggleSmooth, 0, 0, true},
        {'w', false, C::ToggleWire, 0, 0, true},
        {'W', false, C::ToggleWire, 0, 0, true},
        {'x', false, C::RotateView, 0, kPi / 360, true},
        {'y', false, C::RotateView, 1, kPi / 360, true},
        {'z', false, C::RotateView, 2, kPi / 360, true},
        {'X', false, C::RotateView, 0, -kPi / 360, true},
        {'Y', false, C::RotateView, 1, -kPi / 360, true},
        {'Z', true, C::RotateView, 2, -kPi / 360, true},
        {WXK_END, false, C::LastFrame, 0, 0, false},
        {WXK_HOME, false, C::FirstFrame, 0, 0, false},
        {WXK_LEFT, false, C::PreviousFrame, 0, 0, false},
        {WXK_LEFT, true, C::PreviousEvent, 0, 0, false},
        {WXK_RIGHT, false, C::NextFrame, 0, 0, false},
        {WXK_RIGHT, true, C::NextEvent, 0, 0, false},
        {WXK_UP, false, C::Dolly, 0, 0.1, true},
        {WXK_DOWN, false, C::Dolly, 0, -0.1, true},
        {WXK_F10, false, C::RotateObject, 0, kPi / 2, true},
        {WXK_F11, false, C::RotateObject, 1, kPi / 2, true},
        // Keys with no action go on; F12, Page Up and Page Down are the main window's menu keys.
        {WXK_F12, false, C::None, 0, 0, false},
        {WXK_PAGEUP, false, C::None, 0, 0, false},
        {WXK_PAGEDOWN, false, C::None, 0, 0, false},
        {'a', false, C::None, 0, 0, false},
        {'=', false, C::None, 0, 0, false},
        {WXK_F9, false, C::None, 0, 0, false},
        {WXK_NUMPAD_LEFT, false, C::None, 0, 0, false},
        {WXK_NUMPAD_ADD, false, C::None, 0, 0, false},
        {WXK_RETURN, false, C::None, 0, 0, false},
        {0, false, C::None, 0, 0, false},
        {-1, false, C::None, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << (c.ctrl ? " with Ctrl" : ""));
        const KeyAction a = LookUpKey(c.key, c.ctrl);
        EXPECT_EQ(a.command, c.command);
        EXPECT_EQ(a.axis, c.axis);
        EXPECT_DOUBLE_EQ(a.amount, c.amount);
        EXPECT_EQ(a.update, c.update);
    }
}

}  // namespace
