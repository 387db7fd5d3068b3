// The song's MIDI files for a check by mido (on the Linux side):
//   smf_tool export <folder>  writes format1.mid (960 per quarter) and
//                             format0.mid (480) of a known song;
//   smf_tool import <file>    imports a file and lists the song's tracks.
#include "data/smf.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_master.h"
#include "data/track_midi.h"

#include "data/tests/fake_sound.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

using namespace Quorvane;

namespace {

void put(CTrack *t, EVENT e, int32_t time)
{
    e.time = time;
    t->AddToTail(&e, 1);
}

void note(CTrack *t, int32_t time, long channel, long pitch, long velocity, int32_t duration)
{
    EVENT e;
    e.setNote(channel, pitch, velocity);
    e.value = duration;
    put(t, e, time);
}

int exportSong(const std::string &folder)
{
    FakeSoundMngr sound;
    CSong song(nullptr, &sound);
    if (!song.SetDefault())
        return 1;
    CTrackMaster *master = song.GetTrackMaster();
    EVENT e;
    e.setTempo(150.0f);
    put(master, e, 1920);
    e.setTSign(3, 2);
    put(master, e, 3840);
    e.setKSign(19); // D major
    put(master, e, 3840);
    master->Sort();
    master->UpdateParams(0);

    CTrack *drums = song.InsertNewTrack(TRACK_MIDI, -1, 0);
    drums->SetName("Drums");
    drums->channel = 9;
    note(drums, 0, 0, 36, 100, 240);
    note(drums, 0, 0, 42, 80, 120);
    note(drums, 480, 0, 38, 110, 240);
    note(drums, 960, 0, 36, 100, 240);
    drums->Sort();

    CTrack *keys = song.InsertNewTrack(TRACK_MIDI, -1, 0);
    e.setProg(0, 5);
    put(keys, e, 0);
    e.setCtrl(0, 7, 90);
    put(keys, e, 0);
    note(keys, 0, 0, 60, 100, 960);
    note(keys, 480, 0, 60, 90, 960); // overlaps the first
    e.setWheel(0, 1000);
    put(keys, e, 100);
    e.setText(0x03, "Keys");
    put(keys, e, 0);
    keys->Sort();

    for (const auto &[name, flags, division] :
         {std::tuple{"format1.mid", 0ul, 960L},
          std::tuple{"format0.mid", static_cast<unsigned long>(SMF_FORMAT0), 480L}}) {
        CFileStorage file((folder + "\\" + name).c_str(), "wb");
        CSMFCoder coder(&song, flags, division);
        if (!file.IsOpen() || !coder.ExportSMF(&file)) {
            std::printf("export of %s failed\n", name);
            return 1;
        }
    }
    return 0;
}

int importFile(const std::string &path)
{
    FakeSoundMngr sound;
    CSong song(nullptr, &sound);
    if (!song.SetDefault())
        return 1;
    CFileStorage file(path.c_str(), "rb");
    if (!file.IsOpen() || !song.ImportSMF(&file)) {
        std::printf("import failed\n");
        return 1;
    }
    for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t)) {
        std::printf("track %lu kind %ld channel %ld name %s\n", t->id, t->kind, t->channel,
                    t->name ? t->name : "-");
        for (long i = 0; i < t->GetNumb(); ++i) {
            const EVENT *ev = t->GetEvent(i);
            if (ev->IsLong()) {
                std::printf("%d meta %d", ev->time, ev->status);
                for (long b = 0; b < ev->length; ++b)
                    std::printf(" %d", ev->payload[b]);
                std::printf("\n");
            } else if (ev->IsNote()) {
                std::printf("%d note %ld %d %d %d\n", ev->time, ev->getChan(), ev->data1, ev->data2,
                            ev->value);
            } else {
                std::printf("%d short %d %d %d\n", ev->time, ev->status, ev->data1, ev->data2);
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "export") == 0)
        return exportSong(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "import") == 0)
        return importFile(argv[2]);
    std::printf("usage: smf_tool export <folder> | import <file>\n");
    return 2;
}
