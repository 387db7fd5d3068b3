#include "plugin/framework/folders/change_observer.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

namespace {

using Quorvane::ChangeObserver;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr DWORD kPatience = 5000;   // a change must be seen within this
constexpr DWORD kQuietPeriod = 500; // no report may come within this

class Recorder : public ChangeObserver {
public:
    explicit Recorder(std::string folder) : folder_(std::move(folder)) {}
    ~Recorder() override
    {
        stop();
        CloseHandle(event_);
    }

    const char *path() override
    {
        ++pathAsked_;
        return folder_.empty() ? nullptr : folder_.c_str();
    }
    void changed() override
    {
        ++calls_;
        onChange();
        SetEvent(event_);
    }

    bool seesChange(DWORD wait = kPatience) { return WaitForSingleObject(event_, wait) == WAIT_OBJECT_0; }
    int calls() const { return calls_; }
    int pathAsked() const { return pathAsked_; }

    std::function<void()> onChange = [] {};

private:
    std::string folder_;
    HANDLE event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> calls_{0};
    std::atomic<int> pathAsked_{0};
};

TEST(ChangeObserver, StopWithoutStartDoesNothing)
{
    Recorder observer("");
    observer.stop();
    observer.stop();
    EXPECT_FALSE(observer.isWatching());
}

TEST(ChangeObserver, NoPathOrNoFolderMeansNoWatch)
{
    TempFolder folder;
    Recorder noPath("");
    EXPECT_FALSE(noPath.start());
    EXPECT_FALSE(noPath.isWatching());

    Recorder missing(folder.file("not-there"));
    EXPECT_FALSE(missing.start());
    EXPECT_FALSE(missing.isWatching());
}

TEST(ChangeObserver, ReportsCreatedRenamedAndDeletedFiles)
{
    TempFolder folder;
    const std::string file = folder.file("a.mid"), renamed = folder.file("b.mid");
    Recorder observer(folder.path());
    const struct {
        const char *what;
        std::function<bool()> change;
    } steps[] = {
        {"created", [&] { return writeFile(file, "x"); }},
        {"renamed", [&] { return MoveFileA(file.c_str(), renamed.c_str()) != 0; }},
        {"deleted", [&] { return DeleteFileA(renamed.c_str()) != 0; }},
    };
    int expected = 0;
    for (const auto &step : steps) {
        // The watch fires once per start: the owner re-arms it after each report.
        ASSERT_TRUE(observer.start()) << step.what;
        ASSERT_TRUE(step.change()) << step.what;
        EXPECT_TRUE(observer.seesChange()) << step.what;
        EXPECT_EQ(observer.calls(), ++expected) << step.what;
    }
}

TEST(ChangeObserver, SeesSubFoldersAndReportsOncePerStart)
{
    TempFolder folder;
    ASSERT_TRUE(CreateDirectoryA(folder.file("Sub").c_str(), nullptr));
    Recorder observer(folder.path());
    ASSERT_TRUE(observer.start());
    ASSERT_TRUE(writeFile(folder.file("Sub\\one.mid"), "1"));
    EXPECT_TRUE(observer.seesChange());

    ASSERT_TRUE(writeFile(folder.file("Sub\\two.mid"), "2"));
    EXPECT_FALSE(observer.seesChange(kQuietPeriod)) << "no second report before a new start";
    EXPECT_EQ(observer.calls(), 1);
}

TEST(ChangeObserver, StartingTwiceLeavesOneWatcher)
{
    TempFolder folder;
    Recorder observer(folder.path());
    ASSERT_TRUE(observer.start());
    ASSERT_TRUE(observer.start());
    ASSERT_TRUE(writeFile(folder.file("x.mid"), "x"));
    EXPECT_TRUE(observer.seesChange());
    EXPECT_FALSE(observer.seesChange(kQuietPeriod));
    EXPECT_EQ(observer.calls(), 1);
}

TEST(ChangeObserver, StopsPromptlyAndReportsNothingAfterwards)
{
    TempFolder folder;
    Recorder observer(folder.path());
    ASSERT_TRUE(observer.start());
    Sleep(50);
    const DWORD before = GetTickCount();
    observer.stop();
    EXPECT_LT(GetTickCount() - before, 1000u);
    EXPECT_FALSE(observer.isWatching());

    ASSERT_TRUE(writeFile(folder.file("late.mid"), "x"));
    EXPECT_FALSE(observer.seesChange(kQuietPeriod));
    EXPECT_EQ(observer.calls(), 0);
}

TEST(ChangeObserver, PathIsAskedOnTheStartingThreadOnly)
{
    TempFolder folder;
    Recorder observer(folder.path());
    ASSERT_TRUE(observer.start());
    EXPECT_EQ(observer.pathAsked(), 1) << "asked by start() itself";
    ASSERT_TRUE(writeFile(folder.file("x.mid"), "x"));
    EXPECT_TRUE(observer.seesChange());
    EXPECT_EQ(observer.pathAsked(), 1) << "the watcher thread never asks the owner";
}

TEST(ChangeObserver, StopOrStartFromInsideChangedDoesNotHang)
{
    TempFolder folder;
    Recorder observer(folder.path());
    std::atomic<bool> restarted{true};
    observer.onChange = [&] {
        observer.stop();
        restarted = observer.start();
    };
    ASSERT_TRUE(observer.start());
    ASSERT_TRUE(writeFile(folder.file("x.mid"), "x"));
    ASSERT_TRUE(observer.seesChange());
    EXPECT_FALSE(restarted) << "the owner re-arms the watch from its own thread";

    // The owner collects the finished thread and can watch again.
    ASSERT_TRUE(observer.start());
    observer.onChange = [] {};
    ASSERT_TRUE(writeFile(folder.file("y.mid"), "y"));
    EXPECT_TRUE(observer.seesChange());
}

} // namespace
