#include "plugin/framework/plugin/drummer_engine_views.h"

#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Quorvane::CriticalSection;
using Quorvane::viewsSetLoopIdxMessage;

// A view that counts what it is told and whether the list's lock was held.
class CountingView : public Quorvane::DrummerEngineView {
public:
    explicit CountingView(const CriticalSection &lock) : lock_(lock) {}

    void engineChanged() override
    {
        ++changes;
        if (onChanged)
            onChanged();
    }
    void padSelected(int pad) override { pads.push_back(pad); }
    void showStatus(const std::string &text) override { statuses.push_back(text); }
    HWND viewWindow() const override
    {
        windowAskedUnlocked = windowAskedUnlocked || !lock_.heldByThisThread();
        return window;
    }
    void closeView() override
    {
        ++closes;
        closedLocked = closedLocked || lock_.heldByThisThread();
        if (onClose)
            onClose();
    }

    bool untold() const { return changes == 0 && pads.empty() && statuses.empty(); }

    HWND window = nullptr;
    int changes = 0;
    std::vector<int> pads;
    std::vector<std::string> statuses;
    int closes = 0;
    mutable bool windowAskedUnlocked = false;
    bool closedLocked = false;
    std::function<void()> onChanged;
    std::function<void()> onClose;

private:
    const CriticalSection &lock_;
};

using Views = Quorvane::DrummerEngineViews<CountingView, int>;

HWND messageWindow()
{
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

std::vector<WPARAM> postedPads(HWND window)
{
    std::vector<WPARAM> pads;
    MSG message;
    while (PeekMessageA(&message, window, viewsSetLoopIdxMessage(), viewsSetLoopIdxMessage(), PM_REMOVE))
        pads.push_back(message.wParam);
    return pads;
}

class DrummerEngineViewsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (HWND window : windows)
            DestroyWindow(window);
    }
    // A view with a window of its own.
    CountingView &viewWithWindow()
    {
        CountingView &view = ownViews_.emplace_back(lock);
        view.window = windows.emplace_back(messageWindow());
        return view;
    }

    CriticalSection lock;
    int pad = 0;
    Views views{lock, pad};
    std::vector<HWND> windows;

private:
    std::deque<CountingView> ownViews_;
};

TEST_F(DrummerEngineViewsTest, NewsFromAnotherThreadReachEveryWindowOnceWithoutAllocating)
{
    CountingView &first = viewWithWindow();
    CountingView &second = viewWithWindow();
    CountingView windowless(lock);
    ASSERT_NE(first.window, nullptr);
    ASSERT_NE(second.window, nullptr);
    views.add(&first);
    views.add(&windowless);
    views.add(&second);
    views.add(&first);
    const std::string status = "a status the host's thread may not show";

    struct Case {
        const char *what;
        std::function<void()> tell;
        size_t messages;
    };
    const Case cases[] = {
        {"a change", [&] { views.tellChanged(); }, 1},
        {"a pad", [&] { views.tellPad(); }, 1},
        {"news posted", [&] { views.post(); }, 1},
        {"a status", [&] { views.tellStatus(status); }, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ++pad;
        long allocations = -1;
        long waits = -1;
        std::thread host([&] {
            testing_support::RealTimeCounter counter;
            c.tell();
            allocations = counter.allocations();
            waits = counter.kernelWaits();
        });
        host.join();
        EXPECT_EQ(allocations, 0);
        EXPECT_EQ(waits, 0);
        for (CountingView *view : {&first, &second}) {
            EXPECT_EQ(postedPads(view->window), std::vector<WPARAM>(c.messages, static_cast<WPARAM>(pad)))
                << "once for every view, with the current pad";
            EXPECT_FALSE(view->windowAskedUnlocked) << "the list is read under the engine's lock";
        }
    }
    for (const CountingView *view : {&first, &second, &windowless})
        EXPECT_TRUE(view->untold()) << "views are never called off the window thread";
}

TEST_F(DrummerEngineViewsTest, ViewsLeavingWhileToldOrClosedAreEachReachedOnce)
{
    CountingView first(lock);
    CountingView second(lock);
    CountingView third(lock);
    for (CountingView *view : {&first, &second, &third}) {
        views.add(view);
        view->onClose = [this, view] { views.remove(view); };
    }
    views.add(&second);
    views.add(nullptr);
    EXPECT_EQ(views.first(), &first);
    first.onChanged = [&] { views.remove(&first); };
    pad = 4;

    views.tellChanged();
    views.tellPad();
    views.tellStatus("ready");
    EXPECT_EQ(first.changes, 1);
    EXPECT_TRUE(first.pads.empty()) << "a view that left hears nothing more";
    for (const CountingView *view : {&second, &third}) {
        EXPECT_EQ(view->changes, 1) << "the views after a leaving one are told too, once";
        EXPECT_EQ(view->pads, std::vector<int>{4});
        EXPECT_EQ(view->statuses, std::vector<std::string>{"ready"});
    }
    EXPECT_EQ(views.first(), &second);

    views.add(&first);
    views.closeAll();
    for (const CountingView *view : {&first, &second, &third}) {
        EXPECT_EQ(view->closes, 1) << "every view closes once, though each leaves as it closes";
        EXPECT_FALSE(view->closedLocked) << "views close outside the engine's lock";
    }
    EXPECT_EQ(views.first(), nullptr);
    views.tellChanged();
    EXPECT_EQ(second.changes, 1) << "the list is empty once closed";
}

TEST_F(DrummerEngineViewsTest, TheWindowThreadCanBeSetToAnother)
{
    CountingView &view = viewWithWindow();
    views.add(&view);
    std::thread window([&] {
        views.setWindowThread(GetCurrentThreadId());
        views.tellChanged();
    });
    window.join();
    EXPECT_EQ(view.changes, 1);
    views.tellChanged();
    EXPECT_EQ(view.changes, 1) << "told by a message now";
    EXPECT_EQ(postedPads(view.window), std::vector<WPARAM>{0});
}

TEST(DrummerEngineViewMessage, IsTheRegisteredOne)
{
    EXPECT_EQ(viewsSetLoopIdxMessage(), RegisterWindowMessageA("Quorvane_ViewsSetLoopIdx"));
    EXPECT_GE(viewsSetLoopIdxMessage(), 0xC000u);
}

} // namespace
