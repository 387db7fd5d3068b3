#include "app/files/result_commands.h"

#include "app/files/file_choice.h"
#include "app/files/tests/fake_result_source.h"
#include "base/message_box.h"
#include "data/storage.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

class ResultCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            messages.push_back(text);
            return IDOK;
        });
        SetFileDialogRunner([this](OPENFILENAMEA &dialog, bool) {
            if (answer.empty())
                return false;
            std::strcpy(dialog.lpstrFile, answer.c_str());
            return true;
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
    rallimoth_test::FakeResultSource source;
    ExportChoices choices;
    std::string answer;
    std::vector<std::string> messages;
};

} // namespace

TEST_F(ResultCommandsTest, AnExportWritesTheChosenFileWithPlaybackStopped)
{
    answer = temp.file("take.wav");
    ASSERT_TRUE(ExportResultCommand(source, choices, ResultKind::Wave));
    EXPECT_EQ(source.log, "stop wave ");
    EXPECT_EQ(testing_support::readFile(answer), "RIFF-bytes");
    EXPECT_EQ(choices.waveCounter, 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ResultCommandsTest, AFailedExportIsReportedAndACancelledOneDoesNothing)
{
    answer = temp.file("take.mid");
    source.failMidi = true;
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Midi));
    answer = temp.file("missing\\take.wav");
    source.failMidi = false;
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Wave));
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't export MIDI-file.", "Can't export WAVE-file."}));
    answer.clear();
    source.log.clear();
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Midi));
    EXPECT_EQ(source.log, "");
}

// An export over an earlier one that fails in the drummers or at the disk
// tells the user and leaves the earlier file byte for byte.
TEST_F(ResultCommandsTest, AFailedExportLeavesTheEarlierFileAsItWas)
{
    const std::string old("RIFF\0earlier take", 17);
    for (const bool fullDisk : {false, true}) {
        answer = temp.file(fullDisk ? "disk.wav" : "render.wav");
        ASSERT_TRUE(testing_support::writeFile(answer, old));
        source.failWave = !fullDisk;
        messages.clear();
        bool exported;
        {
            testing_support::RealTimeCounter counter;
            counter.failWritesAfter(fullDisk ? 0 : -1);
            exported = ExportResultCommand(source, choices, ResultKind::Wave);
        }
        EXPECT_FALSE(exported) << fullDisk;
        EXPECT_EQ(messages, std::vector<std::string>{"Can't export WAVE-file."}) << fullDisk;
        EXPECT_EQ(testing_support::readFile(answer), old) << fullDisk;
    }
    EXPECT_EQ(testing_support::filesIn(temp.path()).size(), 2u) << "nothing is left beside the files";
}

TEST_F(ResultCommandsTest, WithoutAudioAWaveIsNeitherCopiedNorDragged)
{
    source.midi = false;
    EXPECT_FALSE(CopyResultCommand(source, false));
    EXPECT_FALSE(DragResultCommand(source, false));
    EXPECT_EQ(source.log, "");
    // MIDI needs no audio.
    source.midi = true;
    EXPECT_TRUE(CopyResultCommand(source, false));
    EXPECT_EQ(source.log, "stop midi ");
}
