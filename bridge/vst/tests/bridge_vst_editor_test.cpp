#include "bridge/vst/bridge_vst_editor.h"

#include "base/message_box.h"
#include "bridge/common/tests/recorder_fixture.h"
#include "bridge/vst/bridge_vst_effect.h"
#include "bridge/vst/tests/test_vst_host.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <string>

using namespace Halvorin;
using namespace halvorin_test;
using namespace vst_test;

namespace {

// The editor in a host's window, over the recording provider.
class VstEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OleInitialize(nullptr);
        ASSERT_TRUE(recorder.Ready());
        Quorvane::setMessageBoxHook([](HWND, const char *text, const char *, UINT) {
            ADD_FAILURE() << "unexpected message box: " << text;
            return IDOK;
        });
        host = CreateWindowExA(0, "#32770", "VST host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 60, 60, 300,
                               120, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override
    {
        if (effect)
            Dispatch(effect, vst2::effClose);
        DestroyWindow(host);
        Quorvane::setMessageBoxHook({});
        OleUninitialize();
    }
    void create(int channel, const char *program)
    {
        recorder.SetUp(channel, program);
        effect = CBridgeVstEffect::Create(TestVstHost::Callback);
        ASSERT_NE(effect, nullptr);
    }
    HWND editor() { return FindWindowExA(host, nullptr, "#32770", nullptr); }
    HWND button() { return GetDlgItem(editor(), kVstConnectButton); }
    bool checked() { return SendMessageA(button(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    std::string channelText()
    {
        char text[64] = {};
        GetDlgItemTextA(editor(), kVstChannelText, text, sizeof text);
        return text;
    }
    void pump(DWORD ms = 0)
    {
        const DWORD start = GetTickCount();
        do {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(5);
        } while (GetTickCount() - start < ms);
    }
    // Runs the messages until the editor's timer has ticked once; false
    // when it did not within the time.
    bool pumpUntilTimerTicked(DWORD timeoutMs = 10000)
    {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(5)) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
                if (message.message == WM_TIMER && message.hwnd == editor())
                    return true;
            }
        }
        return false;
    }
    // The programs named in the op 6 calls since the last take.
    std::vector<std::string> launches()
    {
        std::vector<std::string> names;
        for (const RecordedCall &call : recorder.Take())
            if (call.op == kOpProgram)
                names.push_back(call.text);
        return names;
    }

    Recorder recorder;
    TestVstHost vstHost;
    HWND host = nullptr;
    vst2::Effect *effect = nullptr;
};

TEST_F(VstEditorTest, TheEditorShowsItsChannelAndWhetherTheProgramIsThere)
{
    create(2, kProgramName);
    vst2::EditorRect *measured = nullptr;
    ASSERT_EQ(Dispatch(effect, vst2::effEditGetRect, 0, &measured), 1);
    ASSERT_NE(measured, nullptr);
    const vst2::EditorRect closedRect = *measured;
    EXPECT_GT(closedRect.right, 100);
    EXPECT_GT(closedRect.bottom, 15);

    ASSERT_EQ(Dispatch(effect, vst2::effEditOpen, 0, host), 1);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(GetParent(editor()), host);
    EXPECT_EQ(channelText(), "Halvorin channel 3");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(editor(), kVstChannelText)))
        << "the text lies hidden under the button";
    EXPECT_TRUE(IsWindowEnabled(button()));
    EXPECT_TRUE(checked()) << "the program is attached";
    ASSERT_EQ(Dispatch(effect, vst2::effEditGetRect, 0, &measured), 1);
    EXPECT_EQ(measured->right, closedRect.right);
    EXPECT_EQ(measured->bottom, closedRect.bottom);
    pump();
    testing_support::writeWindowPicture(host, "vst_bridge_editor");

    Dispatch(effect, vst2::effEditClose);
    EXPECT_EQ(editor(), nullptr);
}

TEST_F(VstEditorTest, TheButtonFollowsTheProgramOnTheHostsIdleCalls)
{
    create(0, kProgramName);
    Dispatch(effect, vst2::effEditOpen, 0, host);
    ASSERT_TRUE(checked());
    recorder.SetUp(0, nullptr);
    ASSERT_TRUE(pumpUntilTimerTicked());
    EXPECT_TRUE(checked()) << "the timer only marks an update";
    Dispatch(effect, vst2::effEditIdle);
    pump();
    EXPECT_FALSE(checked()) << "the idle call carried it out";
    recorder.SetUp(0, kProgramName);
    ASSERT_TRUE(pumpUntilTimerTicked());
    Dispatch(effect, vst2::effEditIdle);
    pump();
    EXPECT_TRUE(checked()) << "checked again";
    recorder.SetUp(0, "Another Program");
    ASSERT_TRUE(pumpUntilTimerTicked());
    Dispatch(effect, vst2::effEditIdle);
    pump();
    EXPECT_FALSE(checked()) << "only the program by its name";
}

TEST_F(VstEditorTest, ConnectStartsTheProgramAndLetsItGo)
{
    create(1, nullptr);
    Dispatch(effect, vst2::effEditOpen, 0, host);
    recorder.Take();
    SendMessageA(button(), BM_CLICK, 0, 0);
    EXPECT_EQ(launches(), (std::vector<std::string>{kProgramName}));
    SendMessageA(button(), BM_CLICK, 0, 0);
    EXPECT_EQ(launches(), (std::vector<std::string>{""}));
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus == editor() || IsChild(editor(), focus)) << "the focus went back to the editor";
}

TEST_F(VstEditorTest, AChannelOutsideTheFourIsNoChannel)
{
    create(7, nullptr);
    EXPECT_EQ(Text(effect, vst2::effGetProgramName), "Not connected.");
    Dispatch(effect, vst2::effEditOpen, 0, host);
    EXPECT_EQ(channelText(), "No channel was assigned.");
    EXPECT_FALSE(IsWindowEnabled(button()));
}

} // namespace
