// The frame's modal run: it stays minimised, opens the parts window, and
// ends when the parts window closes, after the window hibernated its state.
#include "app/frame_dialog.h"

#include "app/parts_window.h"
#include "app/tests/program_fakes.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using program_testing::FakeDatabase;
using program_testing::LoggingSoundMngr;
using program_testing::ShownMessages;

// What every test here starts from: a private user key, the program's
// profile and bridge, a fake database and a sound session started on a
// logging manager, with the messages shown caught.
struct StartedProgram {
    testing_support::CurrentUserOverride user;
    ProgramProfile profile{testing_support::uniqueName("Rallimoth")};
    CHalvorinApp bridge{testing_support::uniqueName("Frame").c_str()};
    FakeDatabase database;
    SoundSession session{database, bridge};
    LoggingSoundMngr manager;
    ShownMessages shown;

    void start()
    {
        ASSERT_TRUE(user.active());
        ASSERT_TRUE(session.CreateParams());
        session.Start([this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
    }
};

struct Seen {
    PartsWindow *parts;
    bool frameIconic = false;
    bool partsVisible = false;
    bool built = false;
};

Seen *seen = nullptr;

// Once the parts are up, note what shows and close through the parts
// window's own close command.
void CALLBACK closeWhenBuilt(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND parts = seen->parts->Handle();
    if (!parts || !seen->parts->IsBuilt())
        return;
    KillTimer(nullptr, timer);
    seen->built = true;
    seen->partsVisible = IsWindowVisible(parts) != 0;
    seen->frameIconic = IsIconic(GetWindow(parts, GW_OWNER)) != 0;
    PostMessageA(parts, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(FrameDialog, RunsMinimisedUntilThePartsWindowCloses)
{
    StartedProgram program;
    program.database.hibernation = Hibernation::Unavailable;
    ASSERT_NO_FATAL_FAILURE(program.start());
    auto &[user, profile, bridge, database, session, manager, shown] = program;

    PartsWindow parts({database, session, bridge, profile, true, {}, {}});
    Seen watch{&parts};
    seen = &watch;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeWhenBuilt);
    ASSERT_NE(timer, 0u);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, [](HWND, UINT, UINT_PTR t, DWORD) {
        KillTimer(nullptr, t);
        if (HWND h = seen->parts->Handle())
            PostMessageA(GetWindow(h, GW_OWNER), WM_CLOSE, 0, 0);
    });
    RunFrameDialog(GetModuleHandleA(nullptr), parts);
    KillTimer(nullptr, giveUp);
    seen = nullptr;

    EXPECT_TRUE(watch.built);
    EXPECT_TRUE(watch.partsVisible);
    EXPECT_TRUE(watch.frameIconic);
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "commit"), 1);
    EXPECT_EQ(database.savedState.size(), 80u);
    EXPECT_EQ(session.SoundManager(), nullptr);
}

// The frame does not close while the parts window's output chooser (which
// the first run opens by itself) is up, whether asked by WM_CLOSE or by its
// system menu; afterwards the parts window closes it as usual.
TEST(FrameDialog, StaysOpenUnderTheOutputChooser)
{
    StartedProgram program;
    ASSERT_NO_FATAL_FAILURE(program.start());
    auto &[user, profile, bridge, database, session, manager, shown] = program;

    PartsWindow parts({database, session, bridge, profile, true, {}, {}});
    bool asked = false, keptOpen = false;
    database.chooseOutput = [&](PORTDESCR &) {
        asked = true;
        HWND frame = GetWindow(parts.Handle(), GW_OWNER);
        SendMessageA(frame, WM_CLOSE, 0, 0);
        SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        keptOpen = parts.IsBuilt() && session.SoundManager() != nullptr;
        return false;
    };
    Seen watch{&parts};
    seen = &watch;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeWhenBuilt);
    ASSERT_NE(timer, 0u);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, [](HWND, UINT, UINT_PTR t, DWORD) {
        KillTimer(nullptr, t);
        if (HWND h = seen->parts->Handle())
            PostMessageA(GetWindow(h, GW_OWNER), WM_CLOSE, 0, 0);
    });
    RunFrameDialog(GetModuleHandleA(nullptr), parts);
    KillTimer(nullptr, giveUp);
    seen = nullptr;

    EXPECT_TRUE(asked);
    EXPECT_TRUE(keptOpen);
    EXPECT_TRUE(watch.built) << "the frame ended under the chooser";
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "commit"), 1);
}

// Refuses every dialog window made for the program once the parts window
// stands: the editor windows of the deferred set-up.
PartsWindow *watched = nullptr;

LRESULT CALLBACK refuseEditorWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (HWND refusedFor = watched ? watched->Handle() : nullptr; code == HCBT_CREATEWND && refusedFor) {
        const CREATESTRUCTA *create = reinterpret_cast<CBT_CREATEWNDA *>(lParam)->lpcs;
        const bool dialog = IS_INTRESOURCE(create->lpszClass) && LOWORD(create->lpszClass) == 32770;
        if (dialog &&
            (create->hwndParent == refusedFor || create->hwndParent == GetWindow(refusedFor, GW_OWNER)))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool gaveUp = false;

// Editor windows that cannot be made end the program from its deferred
// set-up, with the message, before any part is built.
TEST(FrameDialog, EndsWithTheMessageWhenTheEditorWindowsCannotBeMade)
{
    StartedProgram program;
    ASSERT_NO_FATAL_FAILURE(program.start());
    auto &[user, profile, bridge, database, session, manager, shown] = program;

    PartsWindow parts({database, session, bridge, profile, true, {}, {}});
    watched = &parts;
    HHOOK hook = SetWindowsHookExA(WH_CBT, &refuseEditorWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    gaveUp = false;
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR t, DWORD) {
        KillTimer(nullptr, t);
        gaveUp = true;
        if (HWND h = watched ? watched->Handle() : nullptr)
            PostMessageA(GetWindow(h, GW_OWNER), WM_CLOSE, 0, 0);
    });
    RunFrameDialog(GetModuleHandleA(nullptr), parts);
    UnhookWindowsHookEx(hook);
    watched = nullptr;
    KillTimer(nullptr, giveUp);

    EXPECT_FALSE(gaveUp) << "the program went on without its editor windows";
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Unexpected error."});
    EXPECT_FALSE(parts.IsBuilt());
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "save"), 0);
    EXPECT_EQ(session.SoundManager(), nullptr);
}

} // namespace
