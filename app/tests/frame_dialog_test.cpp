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
    testing_support::CurrentUserOverride user;
    ASSERT_TRUE(user.active());
    ProgramProfile profile{testing_support::uniqueName("Rallimoth")};
    CHalvorinApp bridge{testing_support::uniqueName("Frame").c_str()};
    FakeDatabase database;
    database.hibernation = Hibernation::Unavailable;
    SoundSession session{database, bridge};
    LoggingSoundMngr manager;
    ASSERT_TRUE(session.CreateParams());
    session.Start([&](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
    ShownMessages shown;

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

} // namespace
