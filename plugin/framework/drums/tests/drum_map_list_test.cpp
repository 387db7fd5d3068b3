#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/note_names.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using Quorvane::NoteNames;

// A report-style list view like the options dialog's.
class DrumMapList : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        list = CreateWindowA(WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 300, 400, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
        // Without a display this cannot run: a failure, not a silent pass.
        ASSERT_NE(list, nullptr) << "no display for windows (./test.sh starts one)";
        for (int column = 0; column < 2; ++column) {
            LVCOLUMNA col = {};
            col.mask = LVCF_WIDTH;
            col.cx = 100;
            SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
        }
    }
    void TearDown() override
    {
        if (list)
            DestroyWindow(list);
    }

    std::string text(int row, int column) const
    {
        char buffer[128] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = sizeof(buffer);
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return buffer;
    }

    HWND list = nullptr;
};

TEST_F(DrumMapList, RowsListTheKitNotesWithTheirMappedNames)
{
    DrumMap map;
    map.setNote(36, 60);
    NoteNames names;
    names.setNoteName(38, "Snare");
    map.fillNoteList(list, names);

    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 20);
    EXPECT_EQ(text(0, 0), "Crash Cymbal 2") << "note 57 first";
    EXPECT_EQ(text(19, 0), "Acoustic Bass Drum") << "note 35 last";
    EXPECT_EQ(text(18, 0), "Bass Drum 1");
    EXPECT_EQ(text(18, 1), "C5") << "note 36 plays 60, which has its default name";
    EXPECT_EQ(text(16, 1), "Snare");
    EXPECT_EQ(map.getRowNote(list, 18), 60);
    EXPECT_EQ(map.getRowNote(list, 0), 57);
}

TEST_F(DrumMapList, ShiftingMovesTheMappedNoteWithinRange)
{
    DrumMap map;
    NoteNames names;
    map.fillNoteList(list, names);
    EXPECT_TRUE(map.shiftRowNote(list, 18, 5));
    EXPECT_EQ(map.getNote(36), 41);
    map.updateRowText(list, 18, names);
    EXPECT_EQ(text(18, 1), "F3");

    EXPECT_TRUE(map.shiftRowNote(list, 0, 100));
    EXPECT_EQ(map.getNote(57), 127);
    EXPECT_TRUE(map.shiftRowNote(list, 19, -100));
    EXPECT_EQ(map.getNote(35), 0);

    const DrumMap before = map;
    EXPECT_FALSE(map.shiftRowNote(list, 20, 1));
    EXPECT_FALSE(map.shiftRowNote(list, -1, 1));
    EXPECT_TRUE(map.equals(before));
    EXPECT_EQ(map.getRowNote(list, 20), -1);
    EXPECT_EQ(map.getRowNote(list, -1), -1);
}

} // namespace
