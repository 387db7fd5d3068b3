#include "app/files/result_commands.h"

#include "app/files/file_choice.h"
#include "base/message_box.h"
#include "data/storage.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

struct Source final : ResultSource {
    HWND owner() override { return nullptr; }
    void stopPlayback() override { log += "stop "; }
    bool midiChosen() override { return midi; }
    bool exportMidi(CStorage &storage) override
    {
        log += "midi ";
        return !fail && storage.PutBuffer("MThd", 4);
    }
    bool exportWave(CStorage &storage) override
    {
        log += "wave ";
        return !fail && storage.PutBuffer("RIFF", 4);
    }
    bool saveCurrentPart(CStorage &) override { return false; }
    void dragRendered() override {}

    bool midi = true;
    bool fail = false;
    std::string log;
};

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
    Source source;
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
    EXPECT_EQ(testing_support::readFile(answer), "RIFF");
    EXPECT_EQ(choices.waveCounter, 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ResultCommandsTest, AFailedExportIsReportedAndACancelledOneDoesNothing)
{
    answer = temp.file("take.mid");
    source.fail = true;
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Midi));
    answer = temp.file("missing\\take.wav");
    source.fail = false;
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Wave));
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't export MIDI-file.", "Can't export WAVE-file."}));
    answer.clear();
    source.log.clear();
    EXPECT_FALSE(ExportResultCommand(source, choices, ResultKind::Midi));
    EXPECT_EQ(source.log, "");
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
