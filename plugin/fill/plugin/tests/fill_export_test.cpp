// The fill off line: rendered files, the clipboard round trip and the
// drag-out file. A real drag loop needs a mouse and is not run here; the
// data object and the file it names are what the drop target receives.
#include "base/string_stream.h"
#include "plugin/fill/plugin/fill_export.h"
#include "plugin/fill/plugin/fill_transfer.h"
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "testing/sandbox.h"

#include <shellapi.h>
#include <shlobj.h>

namespace grindel_test {
namespace {

using namespace Quorvane;

class FillExportTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        ASSERT_EQ(drummer->Connect(host.context()), S_OK);
        loadFill(*drummer.get(), "Rock 05");
    }
    void TearDown() override
    {
        drummer->Disconnect();
        PluginTest::TearDown();
    }

    std::string render()
    {
        std::string bytes;
        stringStream out(bytes);
        EXPECT_TRUE(FillExport::renderFill(*drummer.get(), out));
        return bytes;
    }

    static int chunkCount(const std::string &bytes)
    {
        std::string copy = bytes;
        stringStream in(copy);
        SmfChunkList list;
        if (readSmfChunks(list, in) != SmfOk)
            return -1;
        return countSmfChunks(list);
    }

    static CMidiTrack trackOf(const std::string &bytes)
    {
        std::string copy = bytes;
        stringStream in(copy);
        CMidiTrack track;
        EXPECT_EQ(track.loadSmf(in), 0);
        return track;
    }

    Drummer drummer;
};

TEST_F(FillExportTest, OneTrackOrOnePerLooper)
{
    EXPECT_EQ(chunkCount(render()), 2);
    drummer->setMultiTrackExport(true);
    EXPECT_EQ(chunkCount(render()), 11);
}

// The rendered notes are the ones the loopers play in real time, at their
// place in the fill (time 0 = the fill start).
TEST_F(FillExportTest, RenderHoldsWhatPlaysBetweenThePunchPoints)
{
    drummer->setFillMeasure(1);
    drummer->setPunchRange(0, 960);
    const CMidiTrack rendered = trackOf(render());
    EXPECT_EQ(rendered.getResolution(), 480);

    Queue in, out;
    drummer->processRange(0, 1919, &in, &out);
    std::vector<std::tuple<int32_t, int, int>> live, file;
    for (const MfxEvent &e : withoutMarkers(out.events))
        if (e.kind == MfxNote)
            live.emplace_back(e.time, e.note, e.duration);
    for (const CMidiTrack::Event &e : rendered.events())
        if (e.isNote())
            file.emplace_back(e.time, e.data1, e.duration);
    std::sort(live.begin(), live.end());
    std::sort(file.begin(), file.end());
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file, live);
    for (const auto &[time, note, duration] : file)
        EXPECT_LT(time, 1920) << "only the first bar of the two-bar fill";

    // The punch points cut the render.
    drummer->setPunchRange(960, 1920);
    const CMidiTrack second = trackOf(render());
    ASSERT_GT(second.getEventCount(), 0u);
    for (const CMidiTrack::Event &e : second.events())
        EXPECT_GE(e.time, 1920);
}

TEST_F(FillExportTest, SourceTempoRecord)
{
    struct Case {
        int32_t microseconds;
        int denominator;
        int32_t tempo;
        int32_t power;
    };
    // Tempos that are no whole number of BPM go to the nearest: 123.6 to
    // 124, 122.99998 to 123.
    for (const Case &c : {Case{500000, 4, 12000, 2}, Case{428571, 8, 14000, 3}, Case{600000, 2, 10000, 1},
                          Case{461538, 16, 13000, 4}, Case{485437, 4, 12400, 2}, Case{487805, 4, 12300, 2}}) {
        CMidiTrack track;
        track.setResolution(96);
        track.setTempo(c.microseconds);
        track.setTimeSignature(7, static_cast<uint16_t>(c.denominator));
        const OfflineTempo tempo = FillExport::sourceTempo(track);
        EXPECT_EQ(tempo.tempo, c.tempo) << c.microseconds;
        EXPECT_EQ(tempo.resolution, 96);
        EXPECT_EQ(tempo.numerator, 7);
        EXPECT_EQ(tempo.denominatorPower, c.power);
    }
}

TEST_F(FillExportTest, ExportWritesTheFillInTheSourcesTempo)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("fill.mid");
    ASSERT_TRUE(FillExport::exportFill(*drummer.get(), path));
    CMidiTrack exported;
    ASSERT_EQ(exported.loadSmfFile(path), 0);
    EXPECT_EQ(exported.getTempo(), drummer->sourceTrack().getTempo());
    EXPECT_EQ(exported.getResolution(), drummer->sourceTrack().getResolution());
    EXPECT_GT(exported.getNoteEventCount(), 4);
    EXPECT_FALSE(FillExport::exportFill(*drummer.get(), folder.file("missing\\fill.mid")));
}

TEST_F(FillExportTest, ClipboardRoundTrip)
{
    std::string snapshot;
    stringStream out(snapshot);
    ASSERT_TRUE(drummer->saveLoop(out));
    ASSERT_EQ(FillTransfer::copyToClipboard(*drummer.get()), S_OK);

    // Another fill, then the clipboard's back.
    loadFill(*drummer.get(), "Rock 01");
    drummer->setPunchRange(0, 100);
    ASSERT_TRUE(FillTransfer::pasteFromClipboard(*drummer.get()));
    std::string again;
    stringStream out2(again);
    ASSERT_TRUE(drummer->saveLoop(out2));
    EXPECT_EQ(again, snapshot);

    // The rendered file rides along for other programs.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE smf = GetClipboardData(DrummerTransfer::smfFormat());
    std::string bytes;
    EXPECT_TRUE(smf && DrummerTransfer::bytesFromGlobal(smf, bytes));
    CloseClipboard();
    EXPECT_EQ(bytes, render());
    EXPECT_EQ(chunkCount(bytes), 2);

    // Without the fill's own format nothing is pasted.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(DrummerTransfer::smfFormat(), DrummerTransfer::globalFromBytes(bytes));
    CloseClipboard();
    loadFill(*drummer.get(), "Rock 01");
    std::string before;
    stringStream beforeOut(before);
    drummer->saveLoop(beforeOut);
    EXPECT_FALSE(FillTransfer::pasteFromClipboard(*drummer.get()));
    std::string after;
    stringStream afterOut(after);
    drummer->saveLoop(afterOut);
    EXPECT_EQ(after, before);

    // A damaged snapshot is refused whole.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(FillTransfer::format(), DrummerTransfer::globalFromBytes(snapshot.substr(0, 40)));
    CloseClipboard();
    EXPECT_FALSE(FillTransfer::pasteFromClipboard(*drummer.get()));
    std::string afterDamage;
    stringStream afterDamageOut(afterDamage);
    drummer->saveLoop(afterDamageOut);
    EXPECT_EQ(afterDamage, before);
}

TEST_F(FillExportTest, DragOutOffersTheRenderedFile)
{
    std::string path;
    IDataObject *data = FillTransfer::prepareDragOut(*drummer.get(), &path);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(path, FillTransfer::dragOutPath());
    EXPECT_NE(path.find("\\Grindelvosket.mid"), std::string::npos);
    EXPECT_EQ(testing_support::readFile(path), render());

    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    std::string list;
    ASSERT_TRUE(DrummerTransfer::bytesFromGlobal(medium.hGlobal, list));
    ASSERT_EQ(list.size(), 20 + path.size() + 2);
    const auto *header = reinterpret_cast<const DROPFILES *>(list.data());
    EXPECT_EQ(header->pFiles, 20u);
    EXPECT_EQ(header->fWide, FALSE);
    EXPECT_EQ(header->fNC, FALSE);
    EXPECT_EQ(list.substr(20, path.size()), path);
    EXPECT_EQ(list.substr(20 + path.size()), std::string(2, '\0'));
    char named[MAX_PATH] = {};
    EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0), 1u);
    DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0, named, MAX_PATH);
    EXPECT_EQ(std::string(named), path);
    ReleaseStgMedium(&medium);

    FORMATETC other{static_cast<CLIPFORMAT>(DrummerTransfer::smfFormat()), nullptr, DVASPECT_CONTENT, -1,
                    TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&other), DV_E_FORMATETC);
    IEnumFORMATETC *formats = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    FORMATETC first{};
    ULONG got = 0;
    EXPECT_EQ(formats->Next(1, &first, &got), S_OK);
    EXPECT_EQ(first.cfFormat, CF_HDROP);
    EXPECT_EQ(formats->Next(1, &first, &got), S_FALSE) << "the file list is the only format";
    formats->Release();
    EXPECT_EQ(data->Release(), 0u);
    DeleteFileA(path.c_str());
}

} // namespace
} // namespace grindel_test
