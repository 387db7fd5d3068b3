#include "plugin/framework/gui/options_dialog.h"

#include "plugin/framework/gui/gui_resources.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace gui_test;
using namespace Quorvane;

// An options dialog as a drummer derives one; a timer runs the test's
// checks while it is open, then closes it.
class TestOptions : public OptionsDlgBase {
public:
    explicit TestOptions(HWND parent) : OptionsDlgBase(IDD_TEST_OPTIONS, parent) {}

    std::function<void(TestOptions &)> whileOpen;
    LONG_PTR presetDeleteData = 0;
    int saveAttached = -1;
    int deleteAttached = -1;
    int otherAttached = -1;

protected:
    BOOL onInitDialog() override
    {
        if (presetDeleteData)
            SetWindowLongPtrA(GetDlgItem(handle(), IDC_OPTIONS_DELETE), GWLP_USERDATA, presetDeleteData);
        saveAttached = saveButton().attachToDialog(IDC_OPTIONS_SAVE, handle());
        deleteAttached = deleteButton().attachToDialog(IDC_OPTIONS_DELETE, handle());
        otherAttached = OptionsDlgButton(IDB_OPTIONS_SAVE).attachToDialog(7399, handle());
        SetTimer(handle(), 1, 50, nullptr);
        return TRUE;
    }
    INT_PTR dialogProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TIMER && wParam == 1) {
            KillTimer(handle(), 1);
            if (whileOpen)
                whileOpen(*this);
            endDialog(IDOK);
            return TRUE;
        }
        return OptionsDlgBase::dialogProc(message, wParam, lParam);
    }
};

// Sends a draw request for an item to the dialog, onto a canvas.
LRESULT drawItem(HWND dialog, Canvas &canvas, UINT type, UINT id, UINT state, ULONG_PTR data = 0)
{
    DRAWITEMSTRUCT item{};
    item.CtlType = type;
    item.CtlID = id;
    item.itemState = state;
    item.hwndItem = GetDlgItem(dialog, id);
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, canvas.width(), canvas.height()};
    item.itemData = data;
    return SendMessageA(dialog, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
}

TEST(OptionsDialogWindowTest, DrawsItsSaveAndDeleteButtons)
{
    HostWindow host;
    TestOptions dialog(host.handle());
    testing_support::WindowPicture picture;
    RECT save{10, 10, 30, 26};
    RECT del{40, 10, 60, 26};
    Bitmap *sharedWhileOpen = nullptr;
    dialog.whileOpen = [&](TestOptions &open) {
        MapDialogRect(open.handle(), &save);
        MapDialogRect(open.handle(), &del);
        picture = testing_support::printWindow(open.handle());
        sharedWhileOpen = OptionsDlgButton::sharedPicture(IDB_OPTIONS_SAVE);
        EXPECT_EQ(sharedWhileOpen, open.saveButton().picture());

        // Requests the base answers without drawing.
        Canvas untouched(20, 20, 0x123456);
        EXPECT_EQ(drawItem(open.handle(), untouched, ODT_BUTTON, IDC_TEST_OTHER_BUTTON, 0), 1);
        EXPECT_EQ(drawItem(open.handle(), untouched, ODT_LISTBOX, IDC_TEST_LIST, 0, 0), 1);
        EXPECT_EQ(untouched.pixel(5, 5), 0x123456u);

        // The pressed button shows its third cell, sunken.
        Canvas pressed(22, 20, 0x123456);
        EXPECT_EQ(drawItem(open.handle(), pressed, ODT_BUTTON, IDC_OPTIONS_SAVE, ODS_SELECTED), 1);
        EXPECT_EQ(pressed.pixel(0, 0), GetSysColor(COLOR_BTNSHADOW));
        Canvas idle(22, 20, 0x123456);
        EXPECT_EQ(drawItem(open.handle(), idle, ODT_BUTTON, IDC_OPTIONS_SAVE, 0), 1);
        EXPECT_EQ(idle.pixel(0, 0), GetSysColor(COLOR_BTNFACE));
    };
    ASSERT_EQ(dialog.doModal(), IDOK) << "dialogs need a display";
    EXPECT_EQ(dialog.saveAttached, 1);
    EXPECT_EQ(dialog.deleteAttached, 1);
    EXPECT_EQ(dialog.otherAttached, 0) << "no such item";
    EXPECT_TRUE(sharedWhileOpen);
    ASSERT_GT(picture.width, 0);
    // The save button's first cell: the face, and the disk at (6, 10) of it.
    EXPECT_EQ(picture.at(save.left + 1, save.top + 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(picture.at(save.left + 6, save.top + 10), 0x803000u);
    // The delete button: its red cross begins at (5, 4).
    EXPECT_EQ(picture.at(del.left + 5, del.top + 4), 0x2020C0u);
    EXPECT_FALSE(testing_support::writePicture(picture, "options_dialog").empty());
}

TEST(OptionsDialogWindowTest, PicturesLiveWhileButtonsUseThem)
{
    HostWindow host;
    {
        TestOptions first(host.handle());
        first.presetDeleteData = 0x1234;
        first.whileOpen = [](TestOptions &open) {
            EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(open.handle(), IDC_OPTIONS_DELETE), GWLP_USERDATA), 0x1234)
                << "user data already set stays";
            EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(open.handle(), IDC_OPTIONS_SAVE), GWLP_USERDATA),
                      reinterpret_cast<LONG_PTR>(static_cast<SelfDrawnItem *>(&open.saveButton())));
            // A second dialog over the first shares its pictures.
            TestOptions second(open.handle());
            second.whileOpen = [&open](TestOptions &inner) {
                EXPECT_EQ(inner.saveButton().picture(), open.saveButton().picture());
            };
            second.doModal();
            EXPECT_TRUE(OptionsDlgButton::sharedPicture(IDB_OPTIONS_SAVE)) << "still used by the first";
        };
        EXPECT_EQ(first.deleteAttached, -1);
        first.doModal();
        EXPECT_EQ(first.deleteAttached, 1) << "attached even with the user data set";
    }
    EXPECT_EQ(OptionsDlgButton::sharedPicture(IDB_OPTIONS_SAVE), nullptr) << "the last user released it";
    EXPECT_EQ(OptionsDlgButton::sharedPicture(IDB_OPTIONS_DELETE), nullptr);
    TestOptions again(host.handle());
    again.whileOpen = [](TestOptions &open) { EXPECT_TRUE(open.saveButton().picture()) << "loaded anew"; };
    again.doModal();
}

} // namespace
