#include "app/files/part_commands.h"

#include "app/files/tests/fake_parts.h"
#include "base/message_box.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using rallimoth_test::FakeHost;

namespace {

class PartCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        setMessageBoxHook([this](HWND, const char *text, const char *caption, UINT type) {
            messages.push_back(text);
            EXPECT_STREQ(caption, "Rallimoth Omvel");
            EXPECT_EQ(type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetFileDialogRunner({});
        setMessageBoxHook({});
        OleSetClipboard(nullptr);
        OleUninitialize();
    }

    testing_support::TempFolder temp;
    std::vector<std::string> messages;
};

} // namespace

TEST_F(PartCommandsTest, ASavedPartOpensIntoTheCurrentPartOfAnotherWindow)
{
    FakeHost saving;
    saving.current = 4;
    saving.lengths[4] = 6;
    saving.storedTempo = 133.0f;
    saving.parts[4].states = {"slices", "fill one", "fill two"};
    saving.parts[4].active[1] = false;
    const std::string path = temp.file("groove.qnp");
    ASSERT_TRUE(SavePartCommand(saving, PartFileKind::Part, path));
    EXPECT_EQ(saving.log, "named:" + path + " ");

    FakeHost opening;
    opening.current = 9;
    ASSERT_TRUE(OpenPartCommand(opening, PartFileKind::Part, path));
    EXPECT_EQ(opening.log, "stop loaded named:" + path + " ");
    EXPECT_EQ(opening.lengths[9], 6);
    EXPECT_FLOAT_EQ(opening.storedTempo, 133.0f);
    EXPECT_EQ(opening.parts[9].states, saving.parts[4].states);
    EXPECT_FALSE(opening.parts[9].active[1]);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PartCommandsTest, EachOpenRefusesTheOtherKindOfFile)
{
    FakeHost host;
    const std::string part = temp.file("a.qnp"), style = temp.file("b.qns");
    ASSERT_TRUE(SavePartCommand(host, PartFileKind::Part, part));
    ASSERT_TRUE(SavePartCommand(host, PartFileKind::Style, style));
    host.log.clear();
    EXPECT_FALSE(OpenPartCommand(host, PartFileKind::Style, part));
    EXPECT_FALSE(OpenPartCommand(host, PartFileKind::Part, style));
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't load style set.", "Can't load style."}));
    // Nothing was named after a failed open, but the window redrew.
    EXPECT_EQ(host.log, "stop loaded stop loaded ");
}

// A style cut short in its last part: refused with 513, and neither the
// parts nor the file have changed.
TEST_F(PartCommandsTest, ADamagedStyleIsRefusedWholeAndTheFileKept)
{
    FakeHost saving;
    for (int p = 0; p < kPartCount; ++p) {
        saving.lengths[p] = 7;
        saving.parts[p].states = {"slices", "one", "two"};
    }
    const std::string path = temp.file("cut.qns");
    ASSERT_TRUE(SavePartCommand(saving, PartFileKind::Style, path));
    std::string bytes = testing_support::readFile(path);
    ASSERT_GT(bytes.size(), 8u);
    bytes.resize(bytes.size() - 2);
    ASSERT_TRUE(testing_support::writeFile(path, bytes));

    FakeHost opening;
    opening.storedTempo = 88.0f;
    EXPECT_FALSE(OpenPartCommand(opening, PartFileKind::Style, path));
    EXPECT_EQ(messages, std::vector<std::string>{"Can't load style set."});
    EXPECT_FLOAT_EQ(opening.storedTempo, 88.0f);
    EXPECT_EQ(opening.tempoCalls, 0);
    for (int p = 0; p < kPartCount; ++p) {
        EXPECT_EQ(opening.lengths[p], 2) << p;
        EXPECT_EQ(opening.parts[p].states, (std::array<std::string, 3>{"S0", "F1", "F2"})) << p;
        EXPECT_EQ(opening.parts[p].log, "") << p;
    }
    EXPECT_EQ(testing_support::readFile(path), bytes);
}

TEST_F(PartCommandsTest, AFileThatCannotBeWrittenIsReported)
{
    FakeHost host;
    const std::string nowhere = temp.file("missing\\folder\\x.qns");
    EXPECT_FALSE(SavePartCommand(host, PartFileKind::Part, nowhere));
    EXPECT_FALSE(SavePartCommand(host, PartFileKind::Style, nowhere));
    EXPECT_FALSE(OpenPartCommand(host, PartFileKind::Style, nowhere));
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't save style.", "Can't save style set.",
                                                  "Can't load style set."}));
}

// A save that fails part-way, at a drummer's state or at the disk, tells
// the user and leaves the file that was there byte for byte.
TEST_F(PartCommandsTest, AFailedSaveLeavesTheOldFileAsItWas)
{
    struct Case {
        const char *name;
        PartFileKind kind;
        int refusingPart;          // -1: every drummer gives its state
        long writesBeforeFullDisk; // -1: the disk never fills
        const char *message;
    };
    const Case cases[] = {
        {"style, a drummer of the last part refuses", PartFileKind::Style, 11, -1, "Can't save style set."},
        {"style, the disk fills", PartFileKind::Style, -1, 20, "Can't save style set."},
        {"part, its drummer refuses", PartFileKind::Part, 3, -1, "Can't save style."},
        {"part, the disk fills at once", PartFileKind::Part, -1, 0, "Can't save style."},
    };
    for (const Case &c : cases) {
        testing_support::TempFolder folder;
        const std::string path = folder.file(c.kind == PartFileKind::Style ? "live.qns" : "live.qnp");
        FakeHost before;
        before.current = 3;
        before.parts[3].states = {"the set", "played", "last night"};
        ASSERT_TRUE(SavePartCommand(before, c.kind, path)) << c.name;
        const std::string old = testing_support::readFile(path);

        FakeHost host;
        host.current = 3;
        if (c.refusingPart >= 0)
            host.parts[c.refusingPart].refuseSave = true;
        messages.clear();
        bool saved;
        {
            testing_support::RealTimeCounter counter;
            counter.failWritesAfter(c.writesBeforeFullDisk);
            saved = SavePartCommand(host, c.kind, path);
        }
        EXPECT_FALSE(saved) << c.name;
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(testing_support::readFile(path), old) << c.name;
        EXPECT_EQ(testing_support::filesIn(folder.path()).size(), 1u) << c.name << ": nothing left beside it";
        EXPECT_EQ(host.log, "") << c.name << ": the title keeps the old name";
    }
}

TEST_F(PartCommandsTest, TheDialogStartsInTheLastFolderAndRemembersTheNewOne)
{
    const std::string path = temp.file("chosen.qns");
    std::string startedIn;
    SetFileDialogRunner([&](OPENFILENAMEA &dialog, bool) {
        startedIn = dialog.lpstrInitialDir ? dialog.lpstrInitialDir : "";
        std::strcpy(dialog.lpstrFile, path.c_str());
        return true;
    });
    FakeHost host;
    host.folder = "C:\\last";
    ASSERT_TRUE(SavePartCommand(host, PartFileKind::Style));
    EXPECT_EQ(startedIn, "C:\\last");
    EXPECT_EQ(host.folder, temp.path());
    EXPECT_TRUE(testing_support::fileExists(path));

    SetFileDialogRunner([](OPENFILENAMEA &, bool) { return false; });
    host.log.clear();
    EXPECT_FALSE(OpenPartCommand(host, PartFileKind::Style));
    EXPECT_EQ(host.log, "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(PartCommandsTest, TheFirstDroppedPartOrStyleOpensAndOtherFilesAreRefused)
{
    FakeHost saving;
    saving.lengths.fill(3);
    const std::string style = temp.file("set.QN3X12");
    ASSERT_TRUE(SavePartCommand(saving, PartFileKind::Style, style));

    FakeHost host;
    EXPECT_TRUE(OpenDroppedFiles(host, {temp.file("song.mid"), style, temp.file("other.qnp")}));
    EXPECT_EQ(host.lengths[11], 3);
    EXPECT_FALSE(OpenDroppedFiles(host, {temp.file("song.mid"), temp.file("a.wav")}));
    EXPECT_EQ(messages, std::vector<std::string>{"Invalid file(s)."});
}

TEST_F(PartCommandsTest, ACopiedPartPastesIntoTheCurrentPart)
{
    FakeHost from;
    from.current = 2;
    from.lengths[2] = 5;
    from.parts[2].states = {"a", "b", "c"};
    from.parts[2].active[0] = false;
    ASSERT_TRUE(CopyPartCommand(from));

    FakeHost into;
    into.current = 7;
    ASSERT_TRUE(PastePartCommand(into));
    EXPECT_EQ(into.lengths[7], 5);
    EXPECT_EQ(into.parts[7].states, from.parts[2].states);
    EXPECT_FALSE(into.parts[7].active[0]);
    EXPECT_FLOAT_EQ(into.storedTempo, 100.0f); // the clipboard carries no tempo
    EXPECT_EQ(into.log, "stop loaded ");

    // Without a part on the clipboard nothing happens.
    OleSetClipboard(nullptr);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    into.log.clear();
    EXPECT_FALSE(PastePartCommand(into));
    EXPECT_EQ(into.log, "");
    EXPECT_TRUE(messages.empty());
}
