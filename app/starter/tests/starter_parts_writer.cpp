// Writes what each part of the starter style (dist\Styles\Starter.qns)
// plays, as Export MIDI and Export Audio write it: the twelve parts of a
// song built as the parts window builds them, with the real drummers and
// the real sound engine. For every part NN (01..12) in the folder given:
//   partNN.mid        the part's result, format 1;
//   partNN_loops.mid  the same with both fill drummers switched off;
//   partNN_fills.mid  the same with the loop-slice drummer switched off;
//   partNN.wav        the part's result rendered, 16-bit PCM;
// and parts.txt, a line per part: its number, its length in measures, the
// style's tempo and the fill measures (1-based) its fill drummers report.
// starter_parts_check.py reads them.
// usage: starter_parts_writer <output folder>
#include "app/files/chain_drummers.h"
#include "app/files/part_files.h"
#include "app/files/result_export.h"
#include "app/parts_song.h"
#include "data/song.h"
#include "data/storage.h"
#include "data/track_midi.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "sound/tests/drummer_song.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

using namespace Quorvane;

namespace {

// The parts window's velocity for the drummers (option "VeloStat").
constexpr LONG kPlainVelocity = 100;
constexpr LONG kVelocityParam = 6;
constexpr LONG kBendParam = 7;
constexpr LONG kModulationParam = 8;
constexpr unsigned kWavePcm16 = 16;

// The style's parts land in the song's part tracks.
class SongParts final : public PartStore {
public:
    explicit SongParts(CSong &song) : song_(song) {}

    int32_t partLength(int part) override { return lengths_[part]; }
    void setPartLength(int part, int32_t measures) override { lengths_[part] = measures; }
    float tempo() override { return ReadSongTempo(song_); }
    void setTempo(float beatsPerMinute) override { WriteFirstTempo(song_, beatsPerMinute); }
    PartStates *states(int part) override
    {
        CTrackMIDI *track = PartTrack(song_, part);
        if (!track)
            return nullptr;
        states_[part].emplace(track->effects);
        return &*states_[part];
    }
    const int (&lengths() const)[kPartCount] { return lengths_; }

private:
    CSong &song_;
    int lengths_[kPartCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::array<std::optional<ChainDrummers>, kPartCount> states_;
};

IQN3Request *requestOf(CSong &song, int part, int element)
{
    IUnknown *drummer = PartDrummerObject(song, part, element);
    IQN3Request *request = nullptr;
    if (!drummer || FAILED(drummer->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&request))))
        return nullptr;
    return request;
}

bool fail(const std::string &what)
{
    std::fprintf(stderr, "starter_parts_writer: %s\n", what.c_str());
    return false;
}

std::string partFile(const std::string &folder, int part, const char *suffix)
{
    char name[32];
    std::snprintf(name, sizeof(name), "part%02d%s", part + 1, suffix);
    return folder + "\\" + name;
}

bool exportMidi(CSong &song, CTrackMIDI &track, long end, const std::string &path)
{
    CFileStorage file(path.c_str(), "wb");
    return file.IsOpen() && ExportPartMidi(song, track, end, false, file);
}

bool writePart(CSong &song, SongParts &parts, int part, const std::string &folder, FILE *list)
{
    CTrackMIDI *track = PartTrack(song, part);
    if (!track)
        return fail("no track for part " + std::to_string(part + 1));
    // The part plays alone, laid out as the window lays it out.
    ApplyPartMutes(song, part);
    RelayoutPartTracks(song, parts.lengths());
    LONG fillMeasures[2] = {-1, -1};
    for (int element = 0; element < kDrummerElements; ++element) {
        IQN3Request *request = requestOf(song, part, element);
        if (!request)
            return fail("no drummer at part " + std::to_string(part + 1) + "/" + std::to_string(element));
        request->SetParam(kVelocityParam, -1, kPlainVelocity);
        request->SetParam(kBendParam, -1, 0);
        request->SetParam(kModulationParam, -1, 0);
        if (element > 0)
            request->GetParam(QN3FillMeasure, -1, &fillMeasures[element - 1]);
        request->Release();
    }
    const long end = LoopTicks(song, parts.lengths()[part]);
    ChainDrummers drummers(track->effects);
    bool ok = exportMidi(song, *track, end, partFile(folder, part, ".mid"));
    drummers.setActive(1, false);
    drummers.setActive(2, false);
    ok = ok && exportMidi(song, *track, end, partFile(folder, part, "_loops.mid"));
    drummers.setActive(1, true);
    drummers.setActive(2, true);
    drummers.setActive(0, false);
    ok = ok && exportMidi(song, *track, end, partFile(folder, part, "_fills.mid"));
    drummers.setActive(0, true);
    if (!ok)
        return fail("part " + std::to_string(part + 1) + " was not exported as MIDI");
    RelayoutPartTracks(song, parts.lengths());
    {
        CFileStorage file(partFile(folder, part, ".wav").c_str(), "wb");
        if (!file.IsOpen() || !ExportPartWave(song, *track, end, kWavePcm16, file))
            return fail("part " + std::to_string(part + 1) + " was not exported as WAVE");
    }
    std::fprintf(list, "%d %d %.2f %ld %ld\n", part + 1, parts.lengths()[part], ReadSongTempo(song),
                 fillMeasures[0] + 1, fillMeasures[1] + 1);
    return true;
}

bool writeParts(CSoundMngr *manager, IOPARAMS &params, const std::string &folder)
{
    CSong song(&params, manager);
    if (!song.SetDefault() || BuildFreshParts(song, 0) != 0)
        return fail("the parts could not be built");
    SongParts parts(song);
    const std::string style = drummer_song::distFolder() + "\\Styles\\Starter.qns";
    {
        CFileStorage file(style.c_str(), "rb");
        if (!file.IsOpen() || !LoadStyleFile(file, parts))
            return fail("the starter style does not load: " + style);
    }
    FILE *list = std::fopen((folder + "\\parts.txt").c_str(), "w");
    if (!list)
        return fail("cannot write into " + folder);
    bool ok = true;
    for (int part = 0; ok && part < kPartCount; ++part)
        ok = writePart(song, parts, part, folder, list);
    std::fclose(list);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: starter_parts_writer <output folder>\n");
        return 2;
    }
    SetDllDirectoryA(drummer_song::distFolder().c_str());
    OleInitialize(nullptr);
    bool ok = false;
    {
        drummer_song::PlaybackEnvironment environment;
        if (!environment.ok() || !drummer_song::registerSliceDrummer()) {
            fail("the modules could not be had");
        } else {
            IOPARAMS params = drummer_song::engineParams(44100, 16, 256);
            auto *manager = new CSoundMngr("starter parts");
            manager->Init(&params);
            ok = writeParts(manager, params, argv[1]);
            manager->Release();
        }
    }
    OleUninitialize();
    return ok ? 0 : 1;
}
