#include "app/files/export_choices.h"

#include "app/files/file_choice.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <vector>

using namespace Quorvane;

TEST(ExportChoicesTest, DefaultNamesCarryThreeDigits)
{
    EXPECT_EQ(DefaultExportName(ResultKind::Midi, 1), "QN_001.mid");
    EXPECT_EQ(DefaultExportName(ResultKind::Wave, 42), "QN_042.wav");
    EXPECT_EQ(DefaultExportName(ResultKind::Midi, 1234), "QN_1234.mid");
}

TEST(ExportChoicesTest, TheWaveFormatFollowsTheEnginesSamples)
{
    EXPECT_EQ(WaveFormatForBits(16), 16u);
    EXPECT_EQ(WaveFormatForBits(24), 24u);
    EXPECT_EQ(WaveFormatForBits(32), 32u);
    EXPECT_EQ(WaveFormatForBits(0x8020), 0x8020u);
    EXPECT_EQ(WaveFormatForBits(8), 16u);
}

TEST(ExportChoicesTest, TemporaryFilesLieBesideTheProgram)
{
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string folder = FolderOf(program);
    EXPECT_EQ(TemporaryResultPath(ResultKind::Midi), folder + "\\QN_Temporary.mid");
    EXPECT_EQ(TemporaryResultPath(ResultKind::Wave), folder + "\\QN_Temporary.wav");
}

// The export dialog answered by the test: each answer picks a filter (0 to
// cancel) and names what the dialog proposed.
class ExportDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetFileDialogRunner([this](OPENFILENAMEA &dialog, bool save) {
            proposedNames.push_back(dialog.lpstrFile);
            proposedFilters.push_back(static_cast<int>(dialog.nFilterIndex));
            proposedFolders.push_back(dialog.lpstrInitialDir ? dialog.lpstrInitialDir : "");
            EXPECT_TRUE(save);
            if (answer == 0)
                return false;
            dialog.nFilterIndex = static_cast<DWORD>(answer);
            std::strcpy(dialog.lpstrFile, "C:\\out\\take.mid");
            return true;
        });
    }
    void TearDown() override { SetFileDialogRunner({}); }

    ExportChoices choices;
    int answer = 2;
    std::vector<std::string> proposedNames;
    std::vector<int> proposedFilters;
    std::vector<std::string> proposedFolders;
};

// The known folder as the shell names it, asked another way than the
// program asks.
static std::string knownDocumentsFolder()
{
    PWSTR wide = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &wide)))
        return {};
    char path[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, path, MAX_PATH, nullptr, nullptr);
    CoTaskMemFree(wide);
    return path;
}

// Not the program's folder, where a Windows user usually may not write:
// both export dialogs start in the user's documents.
TEST_F(ExportDialogTest, BothDialogsStartInTheDocumentsFolder)
{
    choices.choose(nullptr, ResultKind::Midi);
    choices.choose(nullptr, ResultKind::Wave);
    const std::string documents = knownDocumentsFolder();
    ASSERT_FALSE(documents.empty());
    EXPECT_EQ(proposedFolders, (std::vector<std::string>{documents, documents}));
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    EXPECT_NE(documents, FolderOf(program));
}

TEST_F(ExportDialogTest, TwoMidiExportsInARowProposeTheNextNumber)
{
    EXPECT_EQ(choices.choose(nullptr, ResultKind::Midi), "C:\\out\\take.mid");
    EXPECT_EQ(choices.choose(nullptr, ResultKind::Midi), "C:\\out\\take.mid");
    answer = 0; // a cancelled dialog does not count
    EXPECT_EQ(choices.choose(nullptr, ResultKind::Midi), "");
    EXPECT_EQ(choices.choose(nullptr, ResultKind::Midi), "");
    EXPECT_EQ(proposedNames,
              (std::vector<std::string>{"QN_001.mid", "QN_002.mid", "QN_003.mid", "QN_003.mid"}));
    EXPECT_EQ(choices.waveCounter, 1);
}

TEST_F(ExportDialogTest, FormatOneIsProposedUntilTheUserPicksFormatZero)
{
    choices.choose(nullptr, ResultKind::Midi);
    EXPECT_FALSE(choices.midiFormat0);
    answer = 1;
    choices.choose(nullptr, ResultKind::Midi);
    EXPECT_TRUE(choices.midiFormat0);
    choices.choose(nullptr, ResultKind::Midi);
    EXPECT_EQ(proposedFilters, (std::vector<int>{2, 2, 1}));
}

TEST_F(ExportDialogTest, TheWaveFilterChosenIsTheSampleFormat)
{
    choices.waveFormat = WaveFormatForBits(24);
    answer = 4;
    choices.choose(nullptr, ResultKind::Wave);
    EXPECT_EQ(choices.waveFormat, kWaveFloat);
    answer = 3;
    choices.choose(nullptr, ResultKind::Wave);
    EXPECT_EQ(choices.waveFormat, kWavePcm32);
    EXPECT_EQ(proposedFilters, (std::vector<int>{2, 4}));
    EXPECT_EQ(proposedNames, (std::vector<std::string>{"QN_001.wav", "QN_002.wav"}));
    EXPECT_EQ(choices.midiCounter, 1);
}
