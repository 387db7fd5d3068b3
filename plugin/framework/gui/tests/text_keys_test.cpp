#include "plugin/framework/gui/text_keys.h"

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tree_combo.h"
#include "testing/sandbox.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace gui_test;
using namespace Quorvane;

TEST(TextKeysTest, ATextFieldKeepsWhatItTypesAndEditsWith)
{
    const struct {
        WPARAM key;
        bool control;
        bool alt;
        bool kept;
    } cases[] = {
        {VK_SPACE, false, false, true},
        {VK_ESCAPE, false, false, true},
        {VK_RETURN, false, false, true},
        {'Q', false, false, true},
        {'5', false, false, true},
        {VK_BACK, false, false, true},
        {VK_LEFT, false, false, true},
        {VK_DELETE, false, false, true},
        {VK_TAB, false, false, true},
        // Function keys type nothing: help and the like stay the program's.
        {VK_F1, false, false, false},
        {VK_F12, false, false, false},
        // With Ctrl: the editing keys only.
        {'C', true, false, true},
        {'V', true, false, true},
        {'X', true, false, true},
        {'Z', true, false, true},
        {'A', true, false, true},
        {VK_INSERT, true, false, true},
        {VK_LEFT, true, false, true},
        {VK_BACK, true, false, true},
        {'5', true, false, false},
        {VK_SPACE, true, false, false},
        {VK_UP, true, false, false},
        {'S', true, false, false},
        // Alt opens menus; Ctrl with Alt types characters on some keyboards.
        {'F', false, true, false},
        {'Q', true, true, true},
        {VK_F4, true, true, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(textKeepsKey(c.key, c.control, c.alt), c.kept)
            << "key " << c.key << " ctrl " << c.control << " alt " << c.alt;
}

// A control of its own class that says whether it is taking text.
LRESULT CALLBACK sayingControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETDLGCODE)
        return GetWindowLongPtrA(window, GWLP_USERDATA) ? DLGC_WANTCHARS | DLGC_HASSETSEL : DLGC_WANTARROWS;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A subclassed edit that answers without DLGC_HASSETSEL, as the inline
// number editor does.
LRESULT CALLBACK editWantingAllKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR)
{
    if (message == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS;
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST(TextKeysWindowTest, EditsLabelEditsAndControlsThatSaySoAreTakingText)
{
    HostWindow host;
    const auto child = [&host](const char *kind, DWORD style) {
        return CreateWindowExA(0, kind, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 150, 100, host.handle(),
                               nullptr, nullptr, nullptr);
    };
    HWND edit = child("Edit", 0);
    ASSERT_NE(edit, nullptr) << "windows need a display";
    EXPECT_TRUE(isTakingText(edit));
    HWND subclassed = child("Edit", 0);
    SetWindowSubclass(subclassed, editWantingAllKeys, 1, 0);
    ASSERT_EQ(SendMessageA(subclassed, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    EXPECT_TRUE(isTakingText(subclassed));
    EXPECT_FALSE(isTakingText(child("Button", BS_PUSHBUTTON)));
    EXPECT_FALSE(isTakingText(nullptr));

    HWND tree = child(WC_TREEVIEWA, TVS_EDITLABELS);
    TVINSERTSTRUCTA insert{};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char *>("Grooves");
    HTREEITEM item = TreeView_InsertItem(tree, &insert);
    EXPECT_FALSE(isTakingText(tree));
    SetFocus(tree);
    HWND labelEdit = TreeView_EditLabel(tree, item);
    ASSERT_NE(labelEdit, nullptr);
    EXPECT_TRUE(isTakingText(labelEdit));
    TreeView_EndEditLabelNow(tree, TRUE);

    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = sayingControl;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TextKeysSayingControl";
        return RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    HWND saying = child("TextKeysSayingControl", 0);
    EXPECT_FALSE(isTakingText(saying));
    SetWindowLongPtrA(saying, GWLP_USERDATA, 1);
    EXPECT_TRUE(isTakingText(saying));
}

// The loop browser's combo takes text while a name is typed into it.
TEST(TextKeysWindowTest, TheFlatTreeComboTakesTextWhileANameIsTyped)
{
    testing_support::TempFolder folder;
    testing_support::writeFile(folder.path() + "\\a1.mid", "MThd");
    HostWindow host(40, 40, 260, 120);
    constexpr int kComboId = 300;
    ASSERT_TRUE(CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 150, 100,
                                host.handle(), reinterpret_cast<HMENU>(UINT_PTR{kComboId}), nullptr, nullptr))
        << "windows need a display";
    FlatTreeCombo combo(folder.path());
    ASSERT_TRUE(combo.createOver(kComboId, host.handle()));
    combo.selectTreeItem(combo.dropList().findItemByPath("a1"));
    SetFocus(combo.handle());
    pump();
    EXPECT_FALSE(isTakingText(combo.handle()));
    // A click into the combo's text opens a name.
    PostMessageA(combo.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(combo.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    pump();
    ASSERT_TRUE(combo.isNaming());
    EXPECT_TRUE(isTakingText(combo.handle()));
    postKey(combo.handle(), WM_KEYDOWN, VK_ESCAPE);
    pump();
    EXPECT_FALSE(combo.isNaming());
    EXPECT_FALSE(isTakingText(combo.handle()));
}

} // namespace
