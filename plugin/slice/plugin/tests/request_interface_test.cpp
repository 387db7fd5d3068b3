// The program's side of the drummer: the request interface, the attach
// chain, persistence through IPersistStream, and the loop on the clipboard
// and dragged out.
#include "plugin/fill/plugin/tests/test_host.h"
#include "plugin/slice/plugin/loop_transfer.h"
#include "plugin/slice/plugin/tests/plugin_fixture.h"

#include "base/string_stream.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "testing/com_streams.h"
#include "testing/sandbox.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>

namespace slice_plugin_test {
namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using grindel_test::Sink;

class RequestTest : public PluginTest {};

TEST_F(RequestTest, OnlyTheOutputVelocityDynamicsAnswer)
{
    Drummer drummer;
    for (LONG id = 0; id <= 10; ++id)
        EXPECT_EQ(drummer.request()->SetParam(id, -1, 40 + id), S_OK) << id;
    for (LONG id = 0; id <= 10; ++id) {
        LONG value = -99;
        EXPECT_EQ(drummer.request()->GetParam(id, -1, &value), S_OK);
        const LONG want = id == 6   ? drummer->outputDynamics().level()
                          : id == 7 ? 47 + 8192
                          : id == 9 ? 49
                                    : 0;
        EXPECT_EQ(value, want) << "id " << id;
    }
    EXPECT_EQ(drummer->outputDynamics().userLevel(), 46);
    EXPECT_EQ(drummer.request()->GetParam(6, -1, nullptr), E_POINTER);
    // Values beyond their range are clamped.
    drummer.request()->SetParam(9, -1, 250);
    EXPECT_EQ(drummer->outputDynamics().percent(), 100);
    drummer.request()->SetParam(6, -1, -3);
    EXPECT_EQ(drummer->outputDynamics().userLevel(), 0);
}

TEST_F(RequestTest, NoteNamesByNumber)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    const std::string name = drummer->noteNames().getNoteNameOrDefault(38);
    ASSERT_GT(name.size(), 3u);
    char buffer[64];
    EXPECT_EQ(drummer.request()->GetNoteName(38, buffer, sizeof buffer), S_OK);
    EXPECT_EQ(buffer, name);
    EXPECT_EQ(drummer.request()->GetNoteName(38, buffer, 4), S_OK);
    EXPECT_EQ(std::string(buffer), name.substr(0, 3));
    EXPECT_EQ(drummer.request()->GetNoteName(38, nullptr, 0),
              kNoteNameSizeCode + static_cast<HRESULT>(name.size() + 1));
    for (LONG bad : {-1L, 128L})
        EXPECT_EQ(drummer.request()->GetNoteName(bad, buffer, sizeof buffer), E_INVALIDARG) << bad;
    for (LONG length : {0L, -5L})
        EXPECT_EQ(drummer.request()->GetNoteName(38, buffer, length), E_INVALIDARG) << length;
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

TEST_F(RequestTest, AttachedDrummersShareTheirDrumMapAndLetGoAtDisconnect)
{
    Drummer a;
    Drummer b;
    Host hostB;
    ASSERT_EQ(a->Connect(host.context()), S_OK);
    ASSERT_EQ(b->Connect(hostB.context()), S_OK);
    Sink sink;
    EXPECT_EQ(a.request()->Attach(&sink, 0x00030000), S_OK);
    EXPECT_EQ(b.request()->Attach(&sink, 0x00040000), S_OK);
    EXPECT_EQ(b.request()->Attach(&sink, 0x00040000), S_OK) << "once in the chain";
    EXPECT_EQ(VostrapellinMFX::requesters().head(), b.get());
    EXPECT_EQ(VostrapellinMFX::requesters().next(b.get()), a.get());
    EXPECT_EQ(VostrapellinMFX::requesters().next(a.get()), nullptr);

    a->drumMap().setNote(38, 40);
    a->drumMapChanged();
    EXPECT_EQ(b->drumMap().getNote(38), 40);
    // The program's drummers report their own block start as now.
    a->OnStart(777);
    EXPECT_EQ(a->getHostNow(), 777);

    EXPECT_EQ(b->Disconnect(), S_OK);
    EXPECT_EQ(sink.detached, (std::vector<DWORD>{0x00040000}));
    EXPECT_EQ(VostrapellinMFX::requesters().head(), a.get());
    EXPECT_EQ(a.request()->Attach(nullptr, 0), S_OK);
    EXPECT_EQ(VostrapellinMFX::requesters().head(), nullptr);
    EXPECT_EQ(a->Disconnect(), S_OK);
    EXPECT_EQ(sink.detached.size(), 1u) << "a drummer that left the chain tells nobody";
}

TEST_F(RequestTest, StateThroughIPersistStreamIsByteForByte)
{
    std::string saved;
    {
        Drummer drummer;
        ASSERT_EQ(drummer->Connect(host.context()), S_OK);
        drummer->setSwingPc(17, false);
        drummer->slice(kSnare).setParam(Looper::KeyOffset, -2);
        drummer->selectPad(3, false);
        drummer->slice(kKick).setMute(true, false);
        saved = testing_support::savedBytes(drummer.persist());
        ULARGE_INTEGER size{};
        EXPECT_EQ(drummer.persist()->GetSizeMax(&size), S_OK);
        EXPECT_EQ(size.QuadPart, saved.size());
        EXPECT_EQ(drummer->Disconnect(), S_OK);
    }
    Drummer fresh;
    ASSERT_EQ(fresh->Connect(host.context()), S_OK);
    IStream *stream = testing_support::streamHolding(saved);
    ASSERT_EQ(fresh.persist()->Load(stream), S_OK);
    stream->Release();
    EXPECT_EQ(testing_support::savedBytes(fresh.persist()), saved);
    EXPECT_EQ(fresh->currentPad(), 3);

    // A damaged stream changes nothing and is reported.
    for (const std::string &bad : {saved.substr(0, saved.size() / 2), std::string("MThd\0\0\0\6", 8)}) {
        IStream *damaged = testing_support::streamHolding(bad);
        EXPECT_EQ(fresh.persist()->Load(damaged), E_FAIL);
        damaged->Release();
        EXPECT_EQ(testing_support::savedBytes(fresh.persist()), saved);
    }
    EXPECT_EQ(fresh->Disconnect(), S_OK);
}

std::string loopBytes(Vostrapellin &engine)
{
    std::string bytes;
    stringStream out(bytes);
    EXPECT_TRUE(engine.SaveLoop(out, false));
    return bytes;
}

int trackCountOf(const std::string &smf)
{
    std::string copy = smf;
    stringStream in(copy);
    SmfChunkList list;
    return readSmfChunks(list, in) == SmfOk ? list.trackCount : -1;
}

TEST_F(RequestTest, TheLoopRoundTripsThroughTheClipboard)
{
    Drummer from;
    ASSERT_EQ(from->Connect(host.context()), S_OK);
    from->slice(kKick).setParam(Looper::VelocityOffset, 12);
    from->slice(2).setMute(false, false);
    ASSERT_EQ(LoopTransfer::copyToClipboard(*from.get()), S_OK);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(LoopTransfer::format()));
    HANDLE smf = GetClipboardData(DrummerTransfer::smfFormat());
    std::string smfBytes;
    EXPECT_TRUE(smf && DrummerTransfer::bytesFromGlobal(smf, smfBytes));
    CloseClipboard();
    EXPECT_EQ(trackCountOf(smfBytes), 2) << "the tempo track and one track";

    Drummer to;
    ASSERT_EQ(to->Connect(host.context()), S_OK);
    ASSERT_TRUE(LoopTransfer::pasteFromClipboard(*to.get()));
    EXPECT_EQ(loopBytes(*to.get()), loopBytes(*from.get()));

    // A damaged loop on the clipboard changes nothing.
    const std::string before = loopBytes(*to.get());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(LoopTransfer::format(), DrummerTransfer::globalFromBytes(before.substr(0, 30)));
    CloseClipboard();
    EXPECT_FALSE(LoopTransfer::pasteFromClipboard(*to.get()));
    EXPECT_EQ(loopBytes(*to.get()), before);
    EXPECT_EQ(from->Disconnect(), S_OK);
    EXPECT_EQ(to->Disconnect(), S_OK);
}

TEST_F(RequestTest, TheLoopIsDraggedOutAsVostrapellinMid)
{
    Drummer drummer;
    ASSERT_EQ(drummer->Connect(host.context()), S_OK);
    drummer->setMultiTrack(true);
    std::string path;
    IDataObject *data = LoopTransfer::prepareDragOut(*drummer.get(), &path);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(path, LoopTransfer::dragOutPath());
    EXPECT_EQ(path.substr(path.size() - 17), "\\Vostrapellin.mid");
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    std::string list;
    ASSERT_TRUE(DrummerTransfer::bytesFromGlobal(medium.hGlobal, list));
    ReleaseStgMedium(&medium);
    data->Release();
    EXPECT_EQ(list.substr(20, path.size()), path);
    EXPECT_EQ(trackCountOf(testing_support::readFile(path)), 7) << "the tempo track and one per slice";
    DeleteFileA(path.c_str());
    EXPECT_EQ(drummer->Disconnect(), S_OK);
}

} // namespace
} // namespace slice_plugin_test
