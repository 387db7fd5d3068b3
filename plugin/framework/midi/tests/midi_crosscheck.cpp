// Cross-check of the MIDI file code against an independent implementation.
//
//   midi_crosscheck write <folder>   writes files made by the codec, the track
//                                    model and the off-line process, each with
//                                    a listing of what it must contain
//   midi_crosscheck verify <folder>  reads every X.mid there and compares it
//                                    with X.raw (codec listing), X.model (the
//                                    loaded track) or X.error (must be refused)
//
// The listings are plain text in one format shared with the checking script.
#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/offline_process.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/safe_file.h"
#include "base/string_stream.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace Quorvane;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::writeFile;
using Event = CMidiTrack::Event;

namespace {

std::string hex(const uint8_t *data, uint32_t length)
{
    if (length == 0)
        return "-";
    std::string out;
    char buffer[3];
    for (uint32_t i = 0; i < length; ++i) {
        std::snprintf(buffer, sizeof(buffer), "%02x", data[i]);
        out += buffer;
    }
    return out;
}

std::string hex(const std::vector<uint8_t> &bytes)
{
    return hex(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// One channel message as a listing line (without its time).
std::string channelLine(uint16_t status, uint16_t data1, uint16_t data2)
{
    const int channel = status & 0x0F;
    std::ostringstream line;
    switch (status & 0xF0) {
    case 0x80:
        line << "note_off " << channel << ' ' << data1 << ' ' << data2;
        break;
    case 0x90:
        if (data2 == 0)
            line << "note_off " << channel << ' ' << data1 << " 0";
        else
            line << "note_on " << channel << ' ' << data1 << ' ' << data2;
        break;
    case 0xA0:
        line << "polytouch " << channel << ' ' << data1 << ' ' << data2;
        break;
    case 0xB0:
        line << "control_change " << channel << ' ' << data1 << ' ' << data2;
        break;
    case 0xC0:
        line << "program_change " << channel << ' ' << data1;
        break;
    case 0xD0:
        line << "aftertouch " << channel << ' ' << data1;
        break;
    case 0xE0:
        line << "pitchwheel " << channel << ' ' << (int(data2) << 7 | data1) - 8192;
        break;
    }
    return line.str();
}

// Every event of every chunk, as the codec parses it.
std::string rawListing(const SmfChunkList &list)
{
    std::ostringstream out;
    out << "header " << list.format << ' ' << list.division << ' ' << countSmfChunks(list) << '\n';
    int index = 0;
    for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next) {
        out << "track " << index++ << '\n';
        uint32_t position = 0, time = 0, delta = 0;
        uint8_t running = 0;
        while (readVarLen(*chunk, position, delta)) {
            time += delta;
            SmfMessage m;
            const uint8_t *data = nullptr;
            uint32_t length = 0;
            const SmfEvent result = parseSmfEvent(*chunk, position, m, running, &data, &length);
            if (result == SmfEvent::EndOfTrack) {
                out << time << " end_of_track\n";
                break;
            }
            if (result == SmfEvent::Malformed) {
                out << time << " malformed\n";
                break;
            }
            if (m.status == 0xFF) {
                out << time << " meta " << m.data1 << ' ' << hex(data, length) << '\n';
            } else if (m.status == 0xF0) {
                // The file's SysEx body carries the closing F7; a listing
                // holds the data only.
                if (length > 0 && data[length - 1] == 0xF7)
                    --length;
                out << time << " sysex " << hex(data, length) << '\n';
            } else if (m.status < 0xF0) {
                out << time << ' ' << channelLine(m.status, m.data1, m.data2) << '\n';
            } else {
                out << time << " system " << m.status << '\n';
            }
        }
    }
    return out.str();
}

std::string eventLine(const Event &e)
{
    std::ostringstream line;
    const int channel = e.channel;
    switch (e.kind) {
    case Event::Note:
        line << "note " << e.time << ' ' << channel << ' ' << int(e.data1) << ' ' << int(e.data2) << ' '
             << e.duration;
        break;
    case Event::KeyPressure:
        line << "polytouch " << e.time << ' ' << channel << ' ' << int(e.data1) << ' ' << int(e.data2);
        break;
    case Event::Controller:
        line << "control " << e.time << ' ' << channel << ' ' << int(e.data1) << ' ' << int(e.data2);
        break;
    case Event::ChannelPressure:
        line << "aftertouch " << e.time << ' ' << channel << ' ' << int(e.data2);
        break;
    case Event::PitchBend:
        line << "pitchwheel " << e.time << ' ' << channel << ' ' << e.pitchBend();
        break;
    default:
        line << "other " << e.time;
    }
    return line.str();
}

// The loaded track: header values, texts and events in list order.
std::string modelListing(const CMidiTrack &track)
{
    std::ostringstream out;
    out << "resolution " << track.getResolution() << '\n';
    out << "tempo " << track.getTempo() << '\n';
    out << "timesig " << track.getTimeSigNumerator() << ' ' << track.getTimeSigDenominator() << '\n';
    out << "texts " << track.getFirstText() << '|' << track.getSecondText() << '\n';
    for (const Event &e : track.events())
        out << eventLine(e) << '\n';
    return out.str();
}

// What a written file must hold per track, checked by the script with its
// own note pairing: meta values, then notes (note-on to note-off) and the
// other channel events.
struct TrackExpectation {
    std::vector<std::string> lines;
};

std::string pairedListing(int format, int division, const std::vector<TrackExpectation> &tracks)
{
    std::ostringstream out;
    out << "header " << format << ' ' << division << ' ' << tracks.size() << '\n';
    for (size_t i = 0; i < tracks.size(); ++i) {
        out << "track " << i << '\n';
        for (const std::string &line : tracks[i].lines)
            out << line << '\n';
    }
    return out.str();
}

std::string pairedEvent(const Event &e)
{
    // Written notes always end: one without an end stops where it starts.
    Event copy = e;
    if (copy.kind == Event::Note)
        copy.duration = std::max(0, copy.duration);
    return eventLine(copy);
}

// --- files written here -------------------------------------------------

// A codec-built file of two tracks; the listing comes from the table below,
// not from the bytes.
struct RawItem {
    uint32_t time = 0;
    enum { Channel, Meta, SysEx, End } kind = End;
    uint16_t status = 0;
    uint16_t data1 = 0;
    uint16_t data2 = 0;
    std::vector<uint8_t> bytes = {}; // meta or SysEx data
};

bool writeCodecFile(const std::string &folder)
{
    const std::vector<std::vector<RawItem>> tracks = {
        {
            {0, RawItem::Meta, 0xFF, 0x58, 0, {6, 3, 12, 8}},
            {0, RawItem::Meta, 0xFF, 0x51, 0, {0x09, 0x27, 0xC0}},
            {0, RawItem::Meta, 0xFF, 0x59, 0, {0xFD, 0x00}},
            {0, RawItem::Meta, 0xFF, 0x01, 0, {'G', 'r', 'o', 'o', 'v', 'e'}},
            {96, RawItem::Meta, 0xFF, 0x06, 0, {'A'}},
            {200000, RawItem::End},
        },
        {
            {0, RawItem::Channel, 0x99, 36, 100},
            {0, RawItem::Channel, 0x99, 38, 90},
            {10, RawItem::Channel, 0xA9, 38, 20},
            {127, RawItem::Channel, 0xB0, 1, 64},
            {128, RawItem::Channel, 0xC3, 5, 0},
            {200, RawItem::Channel, 0xD4, 33, 0},
            {300, RawItem::Channel, 0xE5, 0, 0},
            {300, RawItem::Channel, 0xE5, 0, 64},
            {300, RawItem::Channel, 0xE5, 127, 127},
            {400, RawItem::SysEx, 0xF0, 0, 0, {0x7E, 0x7F, 0x09, 0x01}},
            {16384, RawItem::Channel, 0x89, 36, 64},
            {16384, RawItem::Channel, 0x99, 38, 0},
            {16400, RawItem::Meta, 0xFF, 0x7F, 0, {0x00, 0x01, 0x02}},
            {16400, RawItem::Meta, 0xFF, 0x05, 0, {'l', 'a', ' ', 'l', 'a'}},
            {16400 + 0x0FFFFFFF, RawItem::End},
        },
    };

    SmfChunkList list;
    list.format = 1;
    list.division = 384;
    std::ostringstream listing;
    listing << "header 1 384 " << tracks.size() << '\n';
    for (size_t i = 0; i < tracks.size(); ++i) {
        SmfChunk *chunk = appendSmfChunk(list);
        listing << "track " << i << '\n';
        uint32_t last = 0;
        for (const RawItem &item : tracks[i]) {
            const uint32_t delta = item.time - last;
            last = item.time;
            const auto length = static_cast<uint32_t>(item.bytes.size());
            switch (item.kind) {
            case RawItem::Channel:
                writeSmfEvent(*chunk, delta, {item.status, item.data1, item.data2});
                listing << item.time << ' ' << channelLine(item.status, item.data1, item.data2) << '\n';
                break;
            case RawItem::Meta:
                writeSmfMeta(*chunk, delta, static_cast<uint8_t>(item.data1), length, item.bytes.data());
                listing << item.time << " meta " << item.data1 << ' ' << hex(item.bytes) << '\n';
                break;
            case RawItem::SysEx:
                writeVarLen(*chunk, delta);
                appendSmfByte(*chunk, 0xF0);
                writeVarLen(*chunk, length + 1);
                for (uint8_t b : item.bytes)
                    appendSmfByte(*chunk, b);
                appendSmfByte(*chunk, 0xF7);
                listing << item.time << " sysex " << hex(item.bytes) << '\n';
                break;
            case RawItem::End:
                writeSmfEndOfTrack(*chunk, delta);
                listing << item.time << " end_of_track\n";
                break;
            }
        }
    }
    return writeSmfFile(list, folder + "\\codec.mid") == SmfOk &&
           writeFile(folder + "\\codec.raw", listing.str());
}

bool writeTrackFile(const std::string &folder)
{
    CMidiTrack track;
    track.setResolution(480);
    track.setTempo(428571); // 140 BPM
    track.setTimeSignature(7, 8);
    track.setTexts("Funky Beat", "Take-One");

    auto add = [&](int32_t time, int32_t kind, int channel, int data1, int data2, int32_t duration = 0) {
        Event e;
        e.time = time;
        e.kind = kind;
        e.channel = static_cast<uint8_t>(channel);
        e.data1 = static_cast<uint8_t>(data1);
        e.data2 = static_cast<uint8_t>(data2);
        e.duration = duration;
        track.insertEvent(e);
    };
    add(0, Event::Note, 9, 36, 100, 240);
    add(0, Event::Note, 9, 42, 80, 60);
    add(0, Event::Controller, 9, 7, 100);  // volume: the host track's
    add(0, Event::Controller, 9, 10, 64);  // pan: the host track's
    add(0, Event::ProgramChange, 9, 3, 0); // not a pattern event
    add(120, Event::Note, 9, 42, 70, 60);
    add(240, Event::Note, 9, 36, 110, 240); // starts where the last one ends
    add(240, Event::Note, 9, 38, 1, 0);     // no length
    add(300, Event::Note, 9, 46, 90, -1);   // no end
    add(360, Event::Controller, 9, 64, 127);
    add(400, Event::KeyPressure, 9, 46, 30);
    add(420, Event::ChannelPressure, 0, 0, 77);
    Event bend;
    bend.time = 430;
    bend.kind = Event::PitchBend;
    bend.channel = 0;
    bend.setPitchBend(-8192);
    track.insertEvent(bend);
    bend.time = 440;
    bend.setPitchBend(8191);
    track.insertEvent(bend);
    bend.time = 450;
    bend.setPitchBend(4000);
    track.insertEvent(bend);
    bend.setPitchBend(-1);
    track.insertEvent(bend);
    add(500, Event::Note, 0, 60, 127, 3000);
    add(600, Event::Note, 0, 61, 64, 100);

    TrackExpectation tempoTrack;
    tempoTrack.lines = {"timesig 7 8 12 8", "keysig 0 0", "tempo 428571"};
    TrackExpectation notes;
    notes.lines = {"name Funky_Beat/Take_One", "lyrics Funky_Beat/Take_One"};
    for (const Event &e : track.events()) {
        const bool setting = e.kind == Event::Controller && (e.data1 == 7 || e.data1 == 10);
        if (!setting && e.kind != Event::ProgramChange)
            notes.lines.push_back(pairedEvent(e));
    }
    return track.saveSmfFile(folder + "\\track.mid") == 0 &&
           writeFile(folder + "\\track.paired", pairedListing(1, 480, {tempoTrack, notes}));
}

// An engine stand-in: a groove with a swung hi-hat, played into two tracks.
class GrooveExport : public OfflineProcess {
public:
    explicit GrooveExport(const OfflineTempo &tempo) : OfflineProcess(tempo), lists_(2), emitted_(2) {}

    void render(int32_t base, int32_t from, int32_t thru) override
    {
        const int32_t eighth = ticksPerBeat_ / 2;
        for (int32_t t = base; t <= thru; t += eighth) {
            if (t < from)
                continue;
            int32_t beat = 0, tick = 0;
            toBarBeatTick(t, nullptr, &beat, &tick);
            const bool offBeat = tick != 0;
            emit(1, t + (offBeat ? eighth / 3 : 0), 42, offBeat ? 70 : 100, eighth / 2);
            if (!offBeat)
                emit(0, t, beat % 2 == 1 ? 36 : 38, 100 + beat, ticksPerBeat_ / 4);
        }
        // A cymbal without an end.
        emit(0, thru, 49, 127, -1);
        setEventList(nullptr);
    }

    bool write(OutputStream &out) override
    {
        SmfChunkList list;
        if (writeTempoTrack(list, 2) != SmfOk)
            return false;
        for (int i = 0; i < 2; ++i) {
            setEventList(&lists_[i]);
            if (addNamedTrack(list, i == 0 ? "Kick-Snare" : "Hi Hat") != SmfOk)
                return false;
        }
        setEventList(nullptr);
        return writeSmfChunks(list, out) == SmfOk;
    }

    const std::vector<Event> &emitted(int track) const { return emitted_[track]; }

private:
    void emit(int track, int32_t time, uint8_t note, uint8_t velocity, int32_t duration)
    {
        Event e;
        e.time = time;
        e.kind = Event::Note;
        e.channel = 9;
        e.data1 = note;
        e.data2 = velocity;
        e.duration = duration;
        setEventList(&lists_[track]);
        emitEvent(e);
        emitted_[track].push_back(e);
    }

    std::vector<OfflineEventList> lists_;
    std::vector<std::vector<Event>> emitted_;
};

bool writeOfflineFile(const std::string &folder)
{
    GrooveExport process({9650, 96, 3, 2}); // 96.50 BPM in 3/4
    process.render(0, 0, 3 * 3 * 96 - 1);
    SafeFileWriter writer(folder + "\\offline.mid");
    if (!process.write(writer) || !writer.commit())
        return false;

    TrackExpectation tempoTrack;
    tempoTrack.lines = {"timesig 3 4 24 8", "tempo " + std::to_string(60000LL * 100000 / 9650)};
    std::vector<TrackExpectation> tracks = {tempoTrack, {}, {}};
    tracks[1].lines.push_back("name Kick_Snare");
    tracks[2].lines.push_back("name Hi_Hat");
    for (int i = 0; i < 2; ++i)
        for (const Event &e : process.emitted(i))
            tracks[i + 1].lines.push_back(pairedEvent(e));
    return writeFile(folder + "\\offline.paired", pairedListing(1, 96, tracks));
}

int writeAll(const std::string &folder)
{
    const bool codec = writeCodecFile(folder);
    const bool track = writeTrackFile(folder);
    const bool offline = writeOfflineFile(folder);
    std::printf("codec %s, track %s, offline %s\n", codec ? "written" : "FAILED",
                track ? "written" : "FAILED", offline ? "written" : "FAILED");
    return codec && track && offline ? 0 : 1;
}

// --- files written elsewhere --------------------------------------------

bool verifyFile(const std::string &folder, const std::string &name)
{
    const std::string stem = folder + "\\" + name.substr(0, name.size() - 4);
    std::string bytes = readFile(folder + "\\" + name);
    bool good = true;
    int checks = 0;

    if (fileExists(stem + ".error")) {
        ++checks;
        SmfChunkList list;
        stringStream in(bytes);
        const int read = readSmfChunks(list, in);
        stringStream again(bytes);
        CMidiTrack track;
        const int loaded = track.loadSmf(again);
        if (read == SmfOk || loaded != 1) {
            std::printf("FAIL %s: accepted (read %d, load %d)\n", name.c_str(), read, loaded);
            good = false;
        }
    }
    if (fileExists(stem + ".raw")) {
        ++checks;
        SmfChunkList list;
        stringStream in(bytes);
        const int read = readSmfChunks(list, in);
        const std::string got = rawListing(list);
        const std::string expected = readFile(stem + ".raw");
        if (read != SmfOk || got != expected) {
            std::printf("FAIL %s: read %d\n--- expected\n%s--- got\n%s", name.c_str(), read, expected.c_str(),
                        got.c_str());
            good = false;
        }
    }
    if (fileExists(stem + ".model")) {
        ++checks;
        stringStream in(bytes);
        CMidiTrack track;
        const int loaded = track.loadSmf(in);
        const std::string got = modelListing(track);
        const std::string expected = readFile(stem + ".model");
        if (loaded != 0 || got != expected) {
            std::printf("FAIL %s: load %d\n--- expected\n%s--- got\n%s", name.c_str(), loaded,
                        expected.c_str(), got.c_str());
            good = false;
        }
    }
    if (checks == 0) {
        std::printf("FAIL %s: nothing to compare with\n", name.c_str());
        good = false;
    } else if (good) {
        std::printf("ok %s (%d checks)\n", name.c_str(), checks);
    }
    return good;
}

int verifyAll(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.mid").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        std::printf("FAIL: no files in %s\n", folder.c_str());
        return 1;
    }
    bool good = true;
    for (const std::string &name : names)
        good = verifyFile(folder, name) && good;
    return good ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "write")
        return writeAll(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "verify")
        return verifyAll(argv[2]);
    std::fprintf(stderr, "usage: midi_crosscheck write|verify <folder>\n");
    return 2;
}
