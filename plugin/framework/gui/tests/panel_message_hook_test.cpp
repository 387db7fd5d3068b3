#include "plugin/framework/gui/panel_message_hook.h"

#include "plugin/framework/gui/tests/test_panel.h"
#include "plugin/framework/plugin/com_object.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace gui_test;
using namespace Quorvane;

constexpr WORD kHostDigitCommand = 500;
constexpr WORD kHostEnterCommand = 501;
constexpr WORD kHostQCommand = 502;
constexpr WORD kHostEscapeCommand = 503;
constexpr WORD kHostSpaceCommand = 504;

bool saw(const std::vector<UINT> &messages, UINT message)
{
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A window of another module: its instance is not ours.
class ForeignWindow {
public:
    ForeignWindow()
    {
        HINSTANCE other = GetModuleHandleA("comctl32.dll");
        static const bool registered = [other] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = other;
            windowClass.lpszClassName = "GuiTestForeign";
            return RegisterClassA(&windowClass) != 0;
        }();
        (void)registered;
        window = CreateWindowExA(0, "GuiTestForeign", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, other,
                                 nullptr);
        seen().clear();
    }
    ~ForeignWindow() { DestroyWindow(window); }
    static std::vector<UINT> &seen()
    {
        static std::vector<UINT> messages;
        return messages;
    }
    HWND window;

private:
    static LRESULT CALLBACK procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        seen().push_back(message);
        return DefWindowProcA(w, message, wParam, lParam);
    }
};

class PanelHookWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.panel.build = [this](TestPanel &panel) { pane.setBounds(&panel, {0, 0, 100, 100}); };
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
        SetFocus(fixture.panelWindow());
        pane.requestFocus();
        // The host plays on Space, as sequencers do.
        ACCEL keys[6] = {{FVIRTKEY, '1', kHostDigitCommand},      {FVIRTKEY, VK_RETURN, kHostEnterCommand},
                         {FVIRTKEY, 'Q', kHostQCommand},          {FVIRTKEY, VK_ESCAPE, kHostEscapeCommand},
                         {FVIRTKEY, VK_SPACE, kHostSpaceCommand}, {FVIRTKEY | FCONTROL, 'Q', kHostQCommand}};
        hostAccelerators = CreateAcceleratorTableA(keys, 6);
    }
    void TearDown() override { DestroyAcceleratorTable(hostAccelerators); }

    // The host's loop: its accelerators go first.
    void hostLoop() { pump(hostAccelerators, fixture.host.handle()); }
    bool hostCommand(WORD id) const
    {
        for (const auto &[command, code] : fixture.host.commands)
            if (command == id)
                return true;
        return false;
    }

    PanelFixture fixture;
    RecordingPane pane;
    HACCEL hostAccelerators = nullptr;
};

TEST_F(PanelHookWindowTest, WithoutTheHookTheHostsAcceleratorsWin)
{
    postKey(fixture.panelWindow(), WM_KEYDOWN, '1');
    hostLoop();
    EXPECT_TRUE(hostCommand(kHostDigitCommand));
    EXPECT_TRUE(pane.keys.empty());
}

TEST_F(PanelHookWindowTest, DigitsReachThePanelBeforeTheHost)
{
    installPanelMessageHook();
    postKey(fixture.panelWindow(), WM_KEYDOWN, '1');
    postKey(fixture.panelWindow(), WM_KEYDOWN, VK_RETURN);
    hostLoop();
    EXPECT_FALSE(hostCommand(kHostDigitCommand));
    EXPECT_FALSE(hostCommand(kHostEnterCommand));
    ASSERT_GE(pane.keys.size(), 2u);
    EXPECT_EQ(pane.keys[0], '1');
    EXPECT_TRUE(std::find(pane.keys.begin(), pane.keys.end(), VK_RETURN) != pane.keys.end());
    releasePanelMessageHook();
}

TEST_F(PanelHookWindowTest, KeypadEnterAndOtherKeysGoToTheHost)
{
    installPanelMessageHook();
    postKey(fixture.panelWindow(), WM_KEYDOWN, VK_RETURN, true); // the numeric pad's Enter
    postKey(fixture.panelWindow(), WM_KEYDOWN, 'Q');
    hostLoop();
    EXPECT_TRUE(hostCommand(kHostEnterCommand));
    EXPECT_TRUE(hostCommand(kHostQCommand));
    releasePanelMessageHook();
}

// An edit field inside the panel that records the keys and characters it
// gets.
struct RecordingEdit {
    RecordingEdit(HWND parent, HINSTANCE instance)
    {
        window = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent, nullptr,
                                 instance, nullptr);
        SetWindowSubclass(window, record, 1, reinterpret_cast<DWORD_PTR>(this));
        SetFocus(window);
    }
    ~RecordingEdit() { DestroyWindow(window); }
    static LRESULT CALLBACK record(HWND w, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR self)
    {
        if (message == WM_KEYDOWN || message == WM_CHAR)
            reinterpret_cast<RecordingEdit *>(self)->seen.emplace_back(message, wParam);
        return DefSubclassProc(w, message, wParam, lParam);
    }
    bool got(UINT message, WPARAM key) const
    {
        return std::find(seen.begin(), seen.end(), std::make_pair(message, key)) != seen.end();
    }
    HWND window;
    std::vector<std::pair<UINT, WPARAM>> seen;
};

// A window taking text keeps the keys it types and edits with, the host's
// Space, Esc and the numeric pad's Enter too; a Ctrl key it has no use for
// and every key of another module's edit go to the host.
TEST_F(PanelHookWindowTest, AnEditOfThePanelKeepsItsKeysFromTheHost)
{
    RecordingEdit edit(fixture.panelWindow(), com::thisModule());
    ASSERT_EQ(GetFocus(), edit.window);
    installPanelMessageHook();
    for (WPARAM key : {WPARAM{'W'}, WPARAM{VK_SPACE}, WPARAM{'Q'}})
        postKey(edit.window, WM_KEYDOWN, key);
    postKey(edit.window, WM_KEYDOWN, VK_RETURN, true);
    postKey(edit.window, WM_KEYDOWN, VK_ESCAPE);
    hostLoop();
    EXPECT_TRUE(fixture.host.commands.empty()) << fixture.host.commands.size() << " host commands";
    for (WPARAM key : {WPARAM{'W'}, WPARAM{VK_SPACE}, WPARAM{'Q'}, WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}})
        EXPECT_TRUE(edit.got(WM_KEYDOWN, key)) << key;
    EXPECT_TRUE(edit.got(WM_CHAR, ' '));
    EXPECT_TRUE(edit.got(WM_CHAR, 'w'));
    char text[16] = {};
    GetWindowTextA(edit.window, text, sizeof(text));
    EXPECT_STREQ(text, "w q");
    {
        KeysDown control({VK_CONTROL});
        postKey(edit.window, WM_KEYDOWN, 'Q');
        hostLoop();
    }
    EXPECT_TRUE(hostCommand(kHostQCommand)) << "Ctrl+Q is no key of an edit";

    fixture.host.commands.clear();
    RecordingEdit foreign(fixture.panelWindow(), GetModuleHandleA("comctl32.dll"));
    postKey(foreign.window, WM_KEYDOWN, VK_SPACE);
    postKey(foreign.window, WM_KEYDOWN, VK_ESCAPE);
    hostLoop();
    EXPECT_TRUE(hostCommand(kHostSpaceCommand)) << "another module's edit is the host's business";
    EXPECT_TRUE(hostCommand(kHostEscapeCommand));
    releasePanelMessageHook();
}

TEST_F(PanelHookWindowTest, AltRIsVoidedForPanelsOnly)
{
    ForeignWindow foreign;
    installPanelMessageHook();
    PostMessageA(fixture.panelWindow(), WM_SYSCHAR, 'r', 1 << 29);
    PostMessageA(fixture.panelWindow(), WM_SYSCHAR, 'R', 1 << 29);
    PostMessageA(foreign.window, WM_SYSCHAR, 'r', 1 << 29);
    hostLoop();
    EXPECT_FALSE(saw(fixture.panel.messages, WM_SYSCHAR));
    EXPECT_TRUE(saw(ForeignWindow::seen(), WM_SYSCHAR));
    releasePanelMessageHook();
}

// A panel that uses the hook while it lives, as a drummer's does.
class HookedPanel : public TestPanel {
public:
    HookedPanel() { installPanelMessageHook(); }
    ~HookedPanel() override
    {
        destroyView();
        releasePanelMessageHook();
    }
};

TEST(PanelHookSharingWindowTest, SharedByPanelsAndRemovedWithTheLast)
{
    HostWindow host;
    auto first = std::make_unique<HookedPanel>();
    auto second = std::make_unique<HookedPanel>();
    first->createView(host.handle(), RECT{0, 0, 100, 100});
    second->createView(host.handle(), RECT{100, 0, 200, 100});
    ASSERT_TRUE(IsWindow(second->handle())) << "windows need a display";
    first.reset();
    PostMessageA(second->handle(), WM_SYSCHAR, 'r', 1 << 29);
    pump();
    EXPECT_FALSE(saw(second->messages, WM_SYSCHAR)) << "the hook stays for the second panel";
    second.reset();
    bool passed = false;
    host.handler = [&](UINT message, WPARAM, LPARAM, bool &) -> LRESULT {
        passed = passed || message == WM_SYSCHAR;
        return 0;
    };
    PostMessageA(host.handle(), WM_SYSCHAR, 'r', 1 << 29); // a window of this module
    pump();
    EXPECT_TRUE(passed) << "the hook went with the last panel";
}

TEST_F(PanelHookWindowTest, RightPressesAreOfferedToThePanelsPreTranslation)
{
    installPanelMessageHook();
    int offered = 0;
    fixture.panel.preTranslate = [&](MSG &message) {
        ++offered;
        return message.message == WM_RBUTTONDOWN && LOWORD(message.lParam) < 50;
    };
    postMouse(fixture.panelWindow(), WM_RBUTTONDOWN, 10, 10, MK_RBUTTON); // used by the panel: voided
    postMouse(fixture.panelWindow(), WM_RBUTTONDOWN, 60, 10, MK_RBUTTON); // not used: goes on
    postMouse(fixture.panelWindow(), WM_RBUTTONUP, 60, 10);
    hostLoop();
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(std::count(fixture.panel.messages.begin(), fixture.panel.messages.end(), WM_RBUTTONDOWN), 1);
    releasePanelMessageHook();
}

} // namespace
