// The SysEx window in the tests' host: the table, the list edits the host
// asks for, and sending entries to their ports.
#include "gui/windows/tests/editor_host.h"

#include "data/sysex.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/sysex_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace windows_test;

namespace {

long mid(long row)
{
    return 22 + 26 * row + 13;
}

// Columns: N 0..31, Name 31..135, M 135..161, Out 161..291, Content
// 291..499. The tract's "other" output is a MIDI port.
struct SysExTest : ::testing::Test {
    Host host;
    Editor *editor = nullptr;
    CSysExWindow *window = nullptr;
    long saved[5];

    void SetUp() override
    {
        std::memcpy(saved, tabSysExClmn, sizeof saved);
        host.sound.tract.otherType = 7;
        editor = &host.open<CSysExWindow>(32766, 0, 700, 300);
        window = editor->as<CSysExWindow>();
    }
    void TearDown() override { std::memcpy(tabSysExClmn, saved, sizeof saved); }
    void add(const char *name, const std::vector<unsigned char> &bytes, void *port = nullptr, long muted = 0)
    {
        SYSEX entry;
        entry.SetName(name);
        entry.SetData(bytes.data(), static_cast<long>(bytes.size()));
        entry.port = port;
        entry.muted = muted;
        host.song.sysEx.Add(entry);
        window->OnSize(kTimeMax, kTimeMax);
        editor->paintAll();
    }
    std::string names() const
    {
        std::string out;
        for (long i = 0; i < host.song.sysEx.GetNumb(); ++i) {
            const char *n = host.song.sysEx.GetAt(i)->name;
            if (i)
                out += ',';
            out += n ? n : "-";
        }
        return out;
    }
    void *other() { return &host.sound.tract.other; }
};

const std::vector<unsigned char> kReset = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

} // namespace

TEST_F(SysExTest, AnEmptyListTakesANewEntryFirst)
{
    EXPECT_EQ(window->CanSendAll(), 0);
    EXPECT_EQ(window->CanDelItem(), 0);
    EXPECT_EQ(window->CanAddItem(), 1);
    EXPECT_EQ(window->CanReceive(), 0);
    std::vector<unsigned char> shown;
    editor->answer = [&](const Request &r) -> LONG_PTR {
        if (r.code != SXREQ_PROPERTIES)
            return 0;
        const auto *model = reinterpret_cast<const SYSEX *>(r.a);
        shown.assign(model->data, model->data + model->length);
        EXPECT_EQ(model->name, nullptr);
        EXPECT_EQ(model->port, nullptr);
        auto *filled = reinterpret_cast<SYSEX *>(r.b);
        filled->SetName("GM On");
        filled->SetData(kReset.data(), static_cast<long>(kReset.size()));
        return 1;
    };
    EXPECT_EQ(window->OnAddItem(), 1);
    EXPECT_EQ(shown, (std::vector<unsigned char>{0xF0, 0xF7}));
    EXPECT_EQ(names(), "GM On");
    EXPECT_EQ(window->selected, 0);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "New SysEx");
    EXPECT_TRUE(editor->lockHeldAtModified);
    // the next one goes after the selection; a cancelled dialog adds nothing
    EXPECT_EQ(window->OnAddItem(), 1);
    EXPECT_EQ(window->selected, 1);
    editor->answer = [](const Request &) -> LONG_PTR { return 0; };
    EXPECT_EQ(window->OnAddItem(), 0);
    EXPECT_EQ(host.song.sysEx.GetNumb(), 2);
}

// Deleting the last entry of three leaves the selection on the new last
// entry.
TEST_F(SysExTest, DeletingTheLastEntryKeepsASelection)
{
    add("a", kReset);
    add("b", kReset);
    add("c", kReset);
    editor->press(60, mid(2));
    EXPECT_EQ(window->selected, 2);
    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(names(), "a,b");
    EXPECT_EQ(window->selected, 1);
    EXPECT_EQ(window->scrollMaxY, 0);
    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(window->selected, -1);
    EXPECT_EQ(window->CanDelItem(), 0);
}

TEST_F(SysExTest, EntriesAreReorderedAndTheSelectionFollows)
{
    add("a", kReset);
    add("b", kReset);
    add("c", kReset);
    editor->press(10, mid(0));
    EXPECT_EQ(window->CanMoveItem(1), 0) << "the first cannot go up";
    EXPECT_EQ(window->OnMoveItem(0), 1);
    EXPECT_EQ(names(), "b,a,c");
    EXPECT_EQ(window->selected, 1);
    EXPECT_EQ(host.song.steps.back().caption, "SysEx order");
    EXPECT_EQ(window->OnMoveItem(0), 1);
    EXPECT_EQ(window->CanMoveItem(0), 0) << "the last cannot go down";
    EXPECT_EQ(window->OnMoveItem(1), 1);
    EXPECT_EQ(names(), "b,a,c");
}

// A name edit to the same text returns 1 and does not mark the song
// modified.
TEST_F(SysExTest, TheNameIsEditedInPlace)
{
    add("Reset", kReset);
    QUAD cell;
    editor->answer = [&](const Request &r) -> LONG_PTR {
        cell = *reinterpret_cast<const QUAD *>(r.b);
        return 0;
    };
    editor->doubleClick(60, mid(0));
    ASSERT_EQ(editor->requests.size(), 1u);
    EXPECT_EQ(editor->requests[0].code, SXREQ_EDIT_NAME);
    EXPECT_EQ(editor->status[0], "Edit SysEx Name");
    EXPECT_EQ(window->editColumn, 1);
    EXPECT_EQ(cell.left, 34) << "the cell inset by 3";
    EXPECT_EQ(cell.right, 132);
    EXPECT_EQ(window->OnNameChanged(0, "Reset"), 1);
    EXPECT_EQ(editor->modifiedCalls, 0);
    EXPECT_EQ(window->editRow, kNoSysExItem);
    EXPECT_EQ(window->OnNameChanged(0, "GM Reset"), 1);
    EXPECT_EQ(names(), "GM Reset");
    EXPECT_EQ(editor->modifiedCalls, 1);
    EXPECT_EQ(host.song.IsModified(), 1);
    EXPECT_EQ(window->OnNameChanged(0, ""), 1);
    EXPECT_EQ(names(), "-");
}

TEST_F(SysExTest, MuteAndPortAreSetInTheirColumns)
{
    add("Reset", kReset);
    editor->press(140, mid(0));
    EXPECT_EQ(host.song.sysEx.GetAt(0)->muted, 1);
    EXPECT_EQ(editor->modifiedCalls, 1);
    editor->doubleClick(140, mid(0)); // the press and the double click each toggle
    EXPECT_EQ(host.song.sysEx.GetAt(0)->muted, 1);
    EXPECT_EQ(editor->modifiedCalls, 3);

    editor->answer = [&](const Request &r) -> LONG_PTR {
        return r.code == SXREQ_CHOOSE_PORT ? reinterpret_cast<LONG_PTR>(other()) : 0;
    };
    editor->press(200, mid(0));
    ASSERT_FALSE(editor->requests.empty());
    const Request chooser = editor->requests.back();
    EXPECT_EQ(chooser.code, SXREQ_CHOOSE_PORT);
    EXPECT_EQ(chooser.a, 0);
    EXPECT_EQ(host.song.sysEx.GetAt(0)->port, other());
    EXPECT_EQ(window->editRow, kNoSysExItem);
    // a chooser without an answer leaves the port
    editor->answer = [](const Request &) -> LONG_PTR { return 0; };
    editor->press(200, mid(0));
    EXPECT_EQ(host.song.sysEx.GetAt(0)->port, other());
}

TEST_F(SysExTest, EntriesAreSentToTheirPorts)
{
    add("one", kReset, other());
    add("muted", {0xF0, 0x01, 0xF7}, other(), 1);
    add("nowhere", {0xF0, 0x02, 0xF7});
    editor->press(10, mid(0));
    EXPECT_EQ(window->CanSend(), 1);
    EXPECT_EQ(window->OnSend(), 1);
    ASSERT_EQ(host.sound.tract.sysExPort.sent.size(), 1u);
    EXPECT_EQ(host.sound.tract.sysExPort.sent[0], kReset);
    editor->press(10, mid(1));
    EXPECT_EQ(window->CanSend(), 0) << "muted";
    EXPECT_EQ(window->OnSendAll(), 1);
    EXPECT_EQ(host.sound.tract.sysExPort.sent.size(), 2u) << "the muted and the portless entry count as sent";
    EXPECT_EQ(window->selected, 1) << "the selection comes back";
    EXPECT_EQ(editor->status[0], "");

    // a port that takes no SysEx fails the run where it stands
    host.song.sysEx.GetAt(2)->port = &host.sound.tract.preview;
    host.sound.tract.sysExPort.sent.clear();
    EXPECT_EQ(window->OnSendAll(), 0);
    EXPECT_EQ(window->selected, 2);
    host.sound.tract.sysExPort.result = 0;
    EXPECT_EQ(window->SendSysEx(0), 0) << "the port's own failure";
}

TEST_F(SysExTest, PropertiesChangeOnlyWhatDiffers)
{
    add("Reset", kReset, other());
    editor->press(10, mid(0));
    editor->answer = [](const Request &r) -> LONG_PTR {
        const auto *shown = reinterpret_cast<const SYSEX *>(r.a);
        auto *filled = reinterpret_cast<SYSEX *>(r.b);
        filled->SetName(shown->name);
        filled->SetData(shown->data, shown->length);
        filled->port = shown->port;
        return 1;
    };
    EXPECT_EQ(window->OnPropItem(), 0);
    EXPECT_TRUE(host.song.steps.empty());
    editor->answer = [](const Request &r) -> LONG_PTR {
        auto *filled = reinterpret_cast<SYSEX *>(r.b);
        filled->SetName("Master Volume");
        const unsigned char bytes[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7};
        filled->SetData(bytes, 8);
        return 1;
    };
    EXPECT_EQ(window->OnPropItem(), 1);
    EXPECT_EQ(names(), "Master Volume");
    EXPECT_EQ(host.song.sysEx.GetAt(0)->length, 8);
    EXPECT_EQ(host.song.sysEx.GetAt(0)->port, nullptr);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "SysEx properties");
    EXPECT_EQ(editor->status[0], "");
}

// An entry of 10 bytes shows all ten in hex; one of 11 shows ten and
// " ...".
TEST_F(SysExTest, TheContentShowsTenBytes)
{
    SYSEX entry;
    std::vector<unsigned char> bytes = {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7};
    entry.SetData(bytes.data(), 10);
    char text[64];
    EXPECT_STREQ(CSysExWindow::ContentText(entry, text, sizeof text), "F0 01 02 03 04 05 06 07 08 F7");
    bytes.insert(bytes.begin() + 9, 9);
    entry.SetData(bytes.data(), 11);
    EXPECT_STREQ(CSysExWindow::ContentText(entry, text, sizeof text), "F0 01 02 03 04 05 06 07 08 09 ...");
    entry.Clear();
}

// Resizing column 3 below 26 pixels stops at 26; dragging the border after
// "M" widens "Name".
TEST_F(SysExTest, ColumnsKeepTheirMinimum)
{
    editor->drag(291, 10, 100, 10);
    EXPECT_EQ(window->columnWidths[3], 26);
    EXPECT_EQ(tabSysExClmn[3], 26);
    editor->drag(161, 10, 181, 10);
    EXPECT_EQ(window->columnWidths[1], 124);
    EXPECT_EQ(window->columnWidths[2], 26);
    EXPECT_FALSE(editor->captured);
}

TEST_F(SysExTest, PaintsTheTable)
{
    add("GM Reset", kReset, other());
    add("Nowhere", {0xF0, 0x02, 0xF7});
    editor->press(10, mid(1));
    editor->paintAll();
    EXPECT_EQ(editor->pixel(300, 21), RGB(0, 0, 0)) << "the line under the header";
    EXPECT_EQ(editor->pixel(3, mid(1)), colourOf(colSlctTrMeas)) << "the selected number";
    EXPECT_GT(editor->count(QUAD(292, mid(0) - 6, 480, mid(0) + 6), RGB(0, 0, 0)), 20) << "the hex";
    EXPECT_GT(editor->count(QUAD(162, mid(1) - 6, 280, mid(1) + 6), RGB(0, 0, 0)), 20) << "no port";
    EXPECT_EQ(editor->pixel(30, mid(0)), colourOf(colDkGray));
    // a table of the whole song shows no song pointer
    host.song.playStartTick = 400 * window->zoom;
    window->UpdateSongPtr(1);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(400, 200), colourOf(colBkgndSysEx));
    editor->screenshot("pannikel_sysex_window");
}
