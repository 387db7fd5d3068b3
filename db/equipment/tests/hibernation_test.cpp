// The program's saved state: a New Song template " *Hibernation*" with its
// 80-byte data block, saved and committed here, then loaded by another
// process into a fresh song, which must come out the same.
#include "data/meff_chain.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"
#include "db/equipment/items.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "db/equipment/tests/song_fixture.h"
#include "sound/module_keys.h"
#include "sound/tests/drummer_song.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <set>
#include <string>

using namespace Quorvane;
using namespace equipment_test;

namespace {

const char kDatabaseVariable[] = "STAVRUND_HIBERNATION_DB";
const char kReportVariable[] = "STAVRUND_HIBERNATION_REPORT";
const char kName[] = " *Hibernation*";

std::string hex(const void *bytes, size_t size)
{
    std::string text;
    char digits[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof(digits), "%02X", static_cast<const unsigned char *>(bytes)[i]);
        text += digits;
    }
    return text;
}

std::string describeOut(IQuorvaneSongTract *tract, void *out)
{
    PORTDESCR d;
    if (!out || !tract->GetOutDescr(out, &d, 0))
        return "none";
    std::ostringstream s;
    s << d.kind << ":" << hex(d.data, size_t(d.dataSize)) << "@bus" << tract->GetOutBus(out);
    return s.str();
}

// Everything a New Song template restores, as text.
std::string describe(CSong *song)
{
    std::ostringstream s;
    IQuorvaneSongTract *tract = song->GetSongTract();
    CTrackMaster *master = song->GetTrackMaster();
    QUICKMETER meter;
    master->GetMeterByIndex(0, meter);
    s << "master " << meter.numerator << "/" << meter.power << " key " << master->GetKSign(0) << " tempo "
      << master->GetTempoAtTime(0) << "\n";
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
        s << "track " << t->id << " kind " << t->kind << " '" << (t->name ? t->name : "") << "' flags "
          << (t->flags & ~TRACK_SELECTED) << " settings " << t->channel << " " << t->bank << " "
          << t->bankMode << " " << t->program << " " << t->volume << " " << t->pan << " " << t->transpose
          << " " << t->timeOffset << " out "
          << (t->kind == TRACK_AUDIO ? "audio" : describeOut(tract, t->output)) << "\n";
        if (t->kind == TRACK_MIDI)
            for (CMEffElem *e = static_cast<CTrackMIDI *>(t)->effects.GetFirstElem(); e;
                 e = static_cast<CMEffElem *>(e->next))
                s << "  effect active " << e->active << " state "
                  << hex(TestSong::drummerState(static_cast<CTrackMIDI *>(t)).data(),
                         TestSong::drummerState(static_cast<CTrackMIDI *>(t)).size())
                  << "\n";
    }
    for (long b = 0; b < tract->GetNumBuses(); ++b) {
        float volume = 0, pan = 0;
        long effects = 0;
        tract->GetBusInfo(tract->GetBusByNumb(b), volume, pan, effects);
        s << "bus " << b << " " << volume << " " << pan << "\n";
    }
    for (long i = 0; i < song->sysEx.GetNumb(); ++i) {
        const SYSEX *e = song->sysEx.GetAt(i);
        s << "sysex '" << (e->name ? e->name : "") << "' muted " << e->muted << " "
          << hex(e->data, size_t(e->length)) << " to " << describeOut(tract, e->port) << "\n";
    }
    std::multiset<std::string> outs;
    for (void *out = tract->GetNextOut(nullptr); out; out = tract->GetNextOut(out))
        outs.insert(describeOut(tract, out));
    for (const std::string &o : outs)
        s << "output " << o << "\n";
    return s.str();
}

std::string blockOf80()
{
    std::string block(80, '\0');
    const uint32_t magic = 0x0789ABCD;
    std::memcpy(block.data(), &magic, 4);
    for (int i = 4; i < 80; ++i)
        block[size_t(i)] = char(i * 7);
    return block;
}

// A second name for the preview synthesizer, so that an output of it is
// the only one with its data; both processes register it.
void registerDrumSynth()
{
    RegisterModulePath(kSoftSynthKey, "Drum Synth", (drummer_song::distFolder() + "\\Pellandor.dll").c_str());
}

bool runChild(const std::string &databasePath, const std::string &reportPath)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    SetEnvironmentVariableA(kDatabaseVariable, databasePath.c_str());
    SetEnvironmentVariableA(kReportVariable, reportPath.c_str());
    std::string command = std::string("\"") + program + "\" --gtest_filter=HibernationChild.*";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableA(kDatabaseVariable, nullptr);
    SetEnvironmentVariableA(kReportVariable, nullptr);
    if (!started)
        return false;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

TEST(Hibernation, TheSavedSongComesBackInAnotherProcess)
{
    DatabaseFolder folder;
    TestSong song;
    CTrackMaster *master = song->GetTrackMaster();
    master->CStructArray::Clear();
    EVENT meter, key, tempo;
    ASSERT_TRUE(meter.setTSign(3, 2) && key.setKSign(17) && tempo.setTempo(132.0f));
    EVENT events[3] = {meter, key, tempo};
    ASSERT_TRUE(master->AddToTail(events, 3));
    master->Sort();
    ASSERT_TRUE(master->UpdateParams(0));

    ASSERT_TRUE(song.tract()->AddNewBus());
    song.tract()->SetBusInfo(song.tract()->GetBusByNumb(1), 0.75f, 0.5f);
    void *named = song.addNamedOut();
    ASSERT_TRUE(song.tract()->ReconnectOutAndBus(named, song.tract()->GetBusByNumb(0),
                                                 song.tract()->GetBusByNumb(1)));
    CTrackMIDI *drums = song.addDrummerTrack();
    ASSERT_NE(drums, nullptr);
    drums->output = named;
    drums->SetName("Drums");
    drums->channel = 9;
    drums->volume = 90;
    CTrackMIDI *second = song.addDrummerTrack();
    ASSERT_NE(second, nullptr);
    second->effects.GetFirstElem()->active = 0;
    ASSERT_NE(song->InsertNewTrack(TRACK_AUDIO, -1, 0), nullptr);
    // SysEx entries find their output by its data alone: one that no other
    // output shares.
    registerDrumSynth();
    void *synth = song.addNamedOut("Drum Synth");
    ASSERT_NE(synth, nullptr);
    SYSEX entry;
    entry.SetName("GM On");
    entry.SetData("\xF0\x7E\x7F\x09\x01\xF7", 6);
    entry.port = synth;
    entry.muted = 1;
    ASSERT_TRUE(song->sysEx.Add(entry));
    const std::string expected = describe(song.get());

    {
        long result = 0;
        auto db = folder.open(result);
        ITembriTemplate *templates = db->GetITembriTemplateNewSong(1);
        uint32_t id = 0;
        ASSERT_TRUE(templates->Save(song.get(), kNoReplace, kName, &id));
        const std::string block = blockOf80();
        ASSERT_TRUE(templates->SetData(id, block.data(), uint32_t(block.size())));
        templates->Release();
        ASSERT_EQ(db->Close(1), 1);
    }
    const std::string report = folder.path("report.txt");
    ASSERT_TRUE(runChild(folder.path(), report));
    EXPECT_EQ(testing_support::readFile(report), expected + "data " + hex(blockOf80().data(), 80) + "\n");
}

// The other process's half: runs only when started by the test above.
TEST(HibernationChild, LoadsTheTemplateIntoAFreshSong)
{
    const char *path = std::getenv(kDatabaseVariable);
    const char *report = std::getenv(kReportVariable);
    if (!path || !report)
        GTEST_SKIP() << "started by Hibernation.TheSavedSongComesBackInAnotherProcess";
    registerDrumSynth();
    long result = 0;
    CTembriDB db(path, kEquipmentVersion, result);
    ASSERT_EQ(result, 1);
    ITembriTemplate *templates = db.GetITembriTemplateNewSong(1);
    uint32_t id = 0;
    char *name = nullptr;
    ASSERT_NE(templates->GetNext(nullptr, id, name), nullptr);
    EXPECT_STREQ(name, kName);
    std::free(name);
    TestSong song;
    ASSERT_TRUE(templates->Load(song.get(), id));
    void *data = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(templates->GetData(id, &data, &size));
    templates->Release();
    std::ofstream(report, std::ios::binary) << describe(song.get()) << "data " << hex(data, size) << "\n";
    std::free(data);
}

} // namespace
