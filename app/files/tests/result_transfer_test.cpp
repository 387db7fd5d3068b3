#include "app/files/result_transfer.h"

#include "app/files/export_choices.h"
#include "app/files/tests/fake_result_source.h"
#include "base/message_box.h"
#include "data/storage.h"
#include "plugin/framework/plugin/drummer_transfer.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

std::string bytesOf(HGLOBAL global)
{
    std::string bytes(static_cast<const char *>(GlobalLock(global)), GlobalSize(global));
    GlobalUnlock(global);
    return bytes;
}

class ResultTransferTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        setMessageBoxHook({});
        OleSetClipboard(nullptr);
        DeleteTemporaryResults();
        OleUninitialize();
    }

    // Asks the source's data object for one format.
    HRESULT get(IDataObject *data, UINT format, std::string &bytes)
    {
        FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        const HRESULT result = data->GetData(&wanted, &medium);
        if (SUCCEEDED(result)) {
            bytes = bytesOf(medium.hGlobal);
            ReleaseStgMedium(&medium);
        }
        return result;
    }

    rallimoth_test::FakeResultSource source;
    ResultRenderer renderer{source};
    std::vector<std::string> messages;
};

} // namespace

TEST_F(ResultTransferTest, TheClipboardGetsTheMidiFileRenderedWhenFlushed)
{
    ASSERT_EQ(CopyToClipboard(renderer, ResultFormats(true, false)), S_OK);
    EXPECT_EQ(source.log, "stop midi ");
    std::string bytes;
    ASSERT_TRUE(DrummerTransfer::readClipboard(MidiClipboardFormat(), bytes));
    EXPECT_EQ(bytes, "MThd-bytes");
    EXPECT_FALSE(DrummerTransfer::readClipboard(CF_WAVE, bytes));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ResultTransferTest, TheWaveIsOfferedAsWaveAndAsRiff)
{
    source.midi = false;
    ASSERT_EQ(CopyToClipboard(renderer, ResultFormats(false, false)), S_OK);
    std::string wave, riff;
    ASSERT_TRUE(DrummerTransfer::readClipboard(CF_WAVE, wave));
    ASSERT_TRUE(DrummerTransfer::readClipboard(CF_RIFF, riff));
    EXPECT_EQ(wave, "RIFF-bytes");
    EXPECT_EQ(riff, "RIFF-bytes");
    EXPECT_FALSE(DrummerTransfer::readClipboard(MidiClipboardFormat(), wave));
}

TEST_F(ResultTransferTest, NothingIsRenderedBeforeAReceiverAsks)
{
    IDataObject *data = CreateDelayedDataSource(renderer, ResultFormats(true, true));
    ASSERT_NE(data, nullptr);
    FORMATETC drop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC wave{CF_WAVE, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&drop), S_OK);
    EXPECT_EQ(data->QueryGetData(&wave), DV_E_FORMATETC);
    EXPECT_EQ(source.log, "");
    std::string bytes;
    EXPECT_EQ(get(data, CF_WAVE, bytes), DV_E_FORMATETC);
    data->Release();
}

TEST_F(ResultTransferTest, AFailedExportTellsTheUserAndGivesNoData)
{
    source.failMidi = true;
    IDataObject *data = CreateDelayedDataSource(renderer, ResultFormats(true, false));
    std::string bytes;
    EXPECT_FALSE(SUCCEEDED(get(data, MidiClipboardFormat(), bytes)));
    data->Release();
    source.failWave = true;
    data = CreateDelayedDataSource(renderer, ResultFormats(false, false));
    EXPECT_FALSE(SUCCEEDED(get(data, CF_RIFF, bytes)));
    data->Release();
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't export MIDI-file.", "Can't export WAVE-file."}));
}

TEST_F(ResultTransferTest, ADropGetsTheTemporaryFileByName)
{
    IDataObject *data = CreateDelayedDataSource(renderer, ResultFormats(true, true));
    std::string list;
    ASSERT_EQ(get(data, CF_HDROP, list), S_OK);
    data->Release();
    const std::string path = TemporaryResultPath(ResultKind::Midi);
    // The 20-byte header pointing past itself, the name and two zeros.
    std::string expected(20, '\0');
    expected[0] = 20;
    expected += path;
    expected.append(2, '\0');
    EXPECT_EQ(list.substr(0, expected.size()), expected);
    EXPECT_EQ(testing_support::readFile(path), "MThd-bytes");
    EXPECT_EQ(source.log, "stop midi dragged ");

    DeleteTemporaryResults();
    EXPECT_FALSE(testing_support::fileExists(path));
}

// A drop target may still read the file of the last drag: a drag whose
// export fails leaves it whole and names no file.
TEST_F(ResultTransferTest, AFailedDragLeavesTheLastDraggedFileWhole)
{
    IDataObject *data = CreateDelayedDataSource(renderer, ResultFormats(true, true));
    std::string list;
    ASSERT_EQ(get(data, CF_HDROP, list), S_OK);
    data->Release();
    const std::string path = TemporaryResultPath(ResultKind::Midi);
    ASSERT_EQ(testing_support::readFile(path), "MThd-bytes");

    source.failMidi = true;
    data = CreateDelayedDataSource(renderer, ResultFormats(true, true));
    EXPECT_FALSE(SUCCEEDED(get(data, CF_HDROP, list)));
    data->Release();
    EXPECT_EQ(messages, std::vector<std::string>{"Can't export MIDI-file."});
    EXPECT_EQ(testing_support::readFile(path), "MThd-bytes");
}

TEST_F(ResultTransferTest, ADroppedWaveUsesTheWaveFile)
{
    source.midi = false;
    IDataObject *data = CreateDelayedDataSource(renderer, ResultFormats(false, true));
    std::string list;
    ASSERT_EQ(get(data, CF_HDROP, list), S_OK);
    data->Release();
    EXPECT_NE(list.find(TemporaryResultPath(ResultKind::Wave)), std::string::npos);
    EXPECT_EQ(testing_support::readFile(TemporaryResultPath(ResultKind::Wave)), "RIFF-bytes");
}

TEST_F(ResultTransferTest, ThePartTravelsInItsOwnFormat)
{
    ASSERT_EQ(CopyToClipboard(renderer, {PartClipboardFormat()}), S_OK);
    std::string bytes;
    ASSERT_TRUE(DrummerTransfer::readClipboard(PartClipboardFormat(), bytes));
    EXPECT_EQ(bytes, "part");
    // A new copy replaces what the clipboard held.
    ASSERT_EQ(CopyToClipboard(renderer, ResultFormats(true, false)), S_OK);
    EXPECT_FALSE(DrummerTransfer::readClipboard(PartClipboardFormat(), bytes));
}

TEST(GlobalFromStorageTest, TheBlockHoldsTheBytesAndTheStorageIsEmptied)
{
    CMemStorage storage(1024);
    ASSERT_TRUE(storage.PutBuffer("abc\0def", 7));
    HGLOBAL global = GlobalFromStorage(storage);
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(bytesOf(global), std::string("abc\0def", 7));
    GlobalFree(global);
    EXPECT_EQ(storage.GetLength(), 0);
}
