#include "app/parts_keys.h"

#include <gtest/gtest.h>

using namespace Quorvane;

TEST(PartsKeysTest, KeysMeanWhatTheWindowDoes)
{
    const struct {
        WPARAM key;
        bool control;
        bool repeat;
        PartsKeyAction action;
        int part;
    } cases[] = {
        {VK_SPACE, false, false, PartsKeyAction::PlayStop, -1},
        {VK_SPACE, false, true, PartsKeyAction::None, -1},
        {VK_F1, false, false, PartsKeyAction::Help, -1},
        {'5', false, false, PartsKeyAction::None, -1},
        {'5', true, false, PartsKeyAction::SelectPart, 4},
        {VK_NUMPAD1, true, false, PartsKeyAction::SelectPart, 0},
        {'0', true, false, PartsKeyAction::SelectPart, 9},
        {VK_NUMPAD0, true, false, PartsKeyAction::SelectPart, 9},
        {VK_OEM_PLUS, true, false, PartsKeyAction::SelectPart, 4},
        {VK_ADD, true, false, PartsKeyAction::SelectPart, 4},
        {VK_OEM_MINUS, true, false, PartsKeyAction::SelectPart, 2},
        {VK_SUBTRACT, true, false, PartsKeyAction::SelectPart, 2},
        {VK_UP, true, false, PartsKeyAction::EditorUp, -1},
        {VK_DOWN, true, false, PartsKeyAction::EditorDown, -1},
        {VK_UP, false, false, PartsKeyAction::None, -1},
        {'C', true, false, PartsKeyAction::None, -1},
    };
    for (const auto &c : cases) {
        const PartsKey key = ReadPartsKey(c.key, c.control, c.repeat, 3);
        EXPECT_EQ(key.action, c.action) << c.key << " ctrl " << c.control;
        EXPECT_EQ(key.part, c.part) << c.key << " ctrl " << c.control;
    }
    // Plus and minus stop at the first and the last part.
    EXPECT_EQ(ReadPartsKey(VK_ADD, true, false, 11).part, 11);
    EXPECT_EQ(ReadPartsKey(VK_SUBTRACT, true, false, 0).part, 0);
}

TEST(PartsKeysTest, EveryWindowOfTheProgramHandsThePartsWindowItsKeys)
{
    const struct {
        KeyPlace place;
        WPARAM key;
        bool control;
        KeyRoute route;
    } cases[] = {
        {KeyPlace::PartsWindow, VK_SPACE, false, KeyRoute::PartsWindow},
        {KeyPlace::PartsWindow, '3', true, KeyRoute::PartsWindow},
        {KeyPlace::PartsWindow, VK_F1, false, KeyRoute::PartsWindow},
        {KeyPlace::PartsWindow, VK_RETURN, false, KeyRoute::Swallow},
        {KeyPlace::PartsWindow, VK_ESCAPE, false, KeyRoute::Swallow},
        {KeyPlace::PartsWindow, 'A', false, KeyRoute::Pass},
        {KeyPlace::EditorWindow, VK_SPACE, false, KeyRoute::PartsWindow},
        {KeyPlace::EditorWindow, VK_OEM_PLUS, true, KeyRoute::PartsWindow},
        {KeyPlace::EditorWindow, VK_ESCAPE, false, KeyRoute::Swallow},
        // The editors' own keys: copy and paste, arrows in their lists.
        {KeyPlace::EditorWindow, 'C', true, KeyRoute::Pass},
        {KeyPlace::EditorWindow, 'V', true, KeyRoute::Pass},
        {KeyPlace::EditorWindow, VK_DOWN, false, KeyRoute::Pass},
        // A text field keeps what it types and edits with: its spaces, Esc
        // that cancels, Enter that ends, Ctrl's clipboard keys; the parts
        // window's Ctrl keys and F1 still reach it.
        {KeyPlace::TextField, VK_SPACE, false, KeyRoute::Pass},
        {KeyPlace::TextField, '4', false, KeyRoute::Pass},
        {KeyPlace::TextField, VK_ESCAPE, false, KeyRoute::Pass},
        {KeyPlace::TextField, VK_RETURN, false, KeyRoute::Pass},
        {KeyPlace::TextField, VK_BACK, false, KeyRoute::Pass},
        {KeyPlace::TextField, 'V', true, KeyRoute::Pass},
        {KeyPlace::TextField, '4', true, KeyRoute::PartsWindow},
        {KeyPlace::TextField, VK_UP, true, KeyRoute::PartsWindow},
        {KeyPlace::TextField, VK_SPACE, true, KeyRoute::PartsWindow},
        {KeyPlace::TextField, VK_F1, false, KeyRoute::PartsWindow},
        // Choosers, dialogs and the bank editor keep every key.
        {KeyPlace::Elsewhere, VK_SPACE, false, KeyRoute::Pass},
        {KeyPlace::Elsewhere, VK_ESCAPE, false, KeyRoute::Pass},
        {KeyPlace::Elsewhere, '3', true, KeyRoute::Pass},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RouteKey(c.place, c.key, c.control, false, false), c.route)
            << static_cast<int>(c.place) << " key " << c.key << " ctrl " << c.control;
    EXPECT_EQ(RouteKey(KeyPlace::EditorWindow, VK_SPACE, false, false, true), KeyRoute::PartsWindow)
        << "a held Space presses no button of the panel";
    // Ctrl with Alt types characters on some keyboards ("@" on Ctrl+Alt+Q).
    EXPECT_EQ(RouteKey(KeyPlace::TextField, '4', true, true, false), KeyRoute::Pass);
    EXPECT_EQ(RouteKey(KeyPlace::EditorWindow, '4', true, true, false), KeyRoute::PartsWindow);
}
