#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/string_stream.h"
#include "testing/sandbox.h"

#include "plugin/framework/midi/tests/midi_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace midi_test;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string smf(uint16_t format, uint16_t division, const std::vector<std::string> &bodies)
{
    std::string file =
        "MThd" + be32(6) + be16(format) + be16(static_cast<uint16_t>(bodies.size())) + be16(division);
    for (const std::string &body : bodies)
        file += "MTrk" + be32(static_cast<uint32_t>(body.size())) + body;
    return file;
}

const std::string EndOfTrack = bytes({0x00, 0xFF, 0x2F, 0x00});

int load(CMidiTrack &track, std::string file)
{
    stringStream in(file);
    return track.loadSmf(in);
}

std::string save(const CMidiTrack &track)
{
    std::string out;
    stringStream stream(out);
    EXPECT_EQ(track.saveSmf(stream), 0);
    return out;
}

// One written event: absolute time, status, data, and the meta text.
std::vector<Written> eventsOfChunk(const std::string &file, int index)
{
    SmfChunkList list;
    stringStream in(const_cast<std::string &>(file));
    EXPECT_EQ(readSmfChunks(list, in), SmfOk);
    const SmfChunk *chunk = list.first;
    for (int i = 0; i < index && chunk != nullptr; ++i)
        chunk = chunk->next;
    return chunk != nullptr ? eventsOf(*chunk) : std::vector<Written>();
}

struct Shape {
    int32_t time;
    int32_t kind;
    int channel;
    int data1;
    int data2;
    int32_t duration;
    bool operator==(const Shape &) const = default;
};

std::vector<Shape> shapeOf(const CMidiTrack &track)
{
    std::vector<Shape> out;
    for (const Event &e : track.events())
        out.push_back({e.time, e.kind, e.channel, e.data1, e.data2, e.kind == Event::Note ? e.duration : 0});
    return out;
}

TEST(MidiTrackSmf, NotesOnTheSecondTrackTakeTheFirstTracksMeter)
{
    const std::string tempoTrack =
        bytes({0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x0C, 0x08, 0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80}) +
        EndOfTrack;
    const std::string notes =
        bytes({0x00, 0x99, 0x24, 0x64, 0x3C, 0x89, 0x24, 0x40, 0x00, 0x99, 0x26, 0x50, 0x3C, 0x26, 0x00}) +
        EndOfTrack;
    CMidiTrack track;
    ASSERT_EQ(load(track, smf(1, 96, {tempoTrack, notes})), 0);
    EXPECT_EQ(track.getResolution(), 96);
    EXPECT_EQ(track.getTimeSigNumerator(), 6);
    EXPECT_EQ(track.getTimeSigDenominator(), 8);
    EXPECT_EQ(track.getBeatUnit(), 8);
    EXPECT_EQ(track.getTempo(), 400000);
    EXPECT_EQ(shapeOf(track),
              (std::vector<Shape>{{0, Event::Note, 9, 36, 100, 60}, {60, Event::Note, 9, 38, 80, 60}}));
    EXPECT_EQ(track.events().front().flags2, 0) << "the release velocity is not kept";
}

TEST(MidiTrackSmf, ANoteOffClosesTheOldestOpenNote)
{
    const std::string body =
        bytes({0x00, 0x99, 36, 100, 0x0A, 0x99, 36, 90, 0x00, 0x98, 36, 70,   // other channel
               0x5A, 0x89, 36, 0,   0x64, 0x89, 36, 0,  0x00, 0x89, 37, 0}) + // stray note-off
        EndOfTrack;
    CMidiTrack track;
    ASSERT_EQ(load(track, smf(0, 240, {body})), 0);
    EXPECT_EQ(shapeOf(track), (std::vector<Shape>{{0, Event::Note, 9, 36, 100, 100},
                                                  {10, Event::Note, 9, 36, 90, 190},
                                                  {10, Event::Note, 8, 36, 70, -1}}));
    EXPECT_EQ(track.getLastEnd(), 100);
}

TEST(MidiTrackSmf, ChannelMessagesAndWhatIsKept)
{
    const std::string body = bytes({0x00, 0xC0, 0x05,             // program change: not kept
                                    0x00, 0xA1, 0x24, 0x30,       // key pressure
                                    0x00, 0xB2, 0x07, 0x64,       // controller
                                    0x00, 0xD3, 0x55,             // channel pressure
                                    0x00, 0xE4, 0x00, 0x20,       // pitch bend -4096
                                    0x00, 0xF0, 0x02, 0x7E, 0xF7, // sysex: not kept
                                    0x00, 0xFF, 0x01, 0x01, 'x'}) +
                             EndOfTrack;
    CMidiTrack track;
    ASSERT_EQ(load(track, smf(0, 240, {body})), 0);
    EXPECT_EQ(shapeOf(track), (std::vector<Shape>{{0, Event::KeyPressure, 1, 0x24, 0x30, 0},
                                                  {0, Event::Controller, 2, 7, 0x64, 0},
                                                  {0, Event::ChannelPressure, 3, 0, 0x55, 0},
                                                  {0, Event::PitchBend, 4, 0x00, 0xF0, 0}}));
    EXPECT_EQ(track.events().back().pitchBend(), -4096);
}

TEST(MidiTrackSmf, LyricTextIsSplitAndSavedAsTheName)
{
    const std::string lyric = "Funky Beat/Take-One two";
    const std::string body = bytes({0x00, 0xFF, 0x05, static_cast<int>(lyric.size())}) + lyric +
                             bytes({0x00, 0x99, 36, 100, 0x10, 0x89, 36, 0}) + EndOfTrack;
    CMidiTrack track;
    ASSERT_EQ(load(track, smf(0, 240, {body})), 0);
    EXPECT_EQ(track.getFirstText(), "Funky Beat");
    EXPECT_EQ(track.getSecondText(), "Take-One two");

    track.events().front().time = 30; // the name goes to the first event's time
    const std::vector<Written> written = eventsOfChunk(save(track), 1);
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[0], (Written{30, 0xFF, 0x03, 0, "Funky_Beat/Take_One_two"}));
    EXPECT_EQ(written[1], (Written{30, 0xFF, 0x05, 0, "Funky_Beat/Take_One_two"}));
    EXPECT_EQ(written[2], (Written{30, 0x99, 36, 100, ""}));

    const std::string plain = bytes({0x00, 0xFF, 0x05, 0x03, 'a', 'b', 'c'}) + EndOfTrack;
    ASSERT_EQ(load(track, smf(0, 240, {plain})), 0);
    EXPECT_EQ(track.getFirstText(), "abc");
    EXPECT_EQ(track.getSecondText(), "") << "a lyric replaces both texts";
}

TEST(MidiTrackSmf, SavingWritesTempoTrackAndNotesWithTheirNoteOffs)
{
    CMidiTrack track;
    track.setResolution(240);
    track.setTempo(428571); // 140 BPM: the track's own tempo, not 120
    track.setTimeSignature(3, 4);
    for (int32_t t : {0, 240, 480})
        track.insertEvent(note(t, 36, 10));
    const std::string file = save(track);

    EXPECT_EQ(file.substr(0, 14), "MThd" + be32(6) + be16(1) + be16(2) + be16(240));
    EXPECT_EQ(eventsOfChunk(file, 0), (std::vector<Written>{{0, 0xFF, 0x58, 0, bytes({3, 2, 24, 8})},
                                                            {0, 0xFF, 0x59, 0, bytes({0, 0})},
                                                            {0, 0xFF, 0x51, 0, bytes({0x06, 0x8A, 0x1B})}}));
    EXPECT_EQ(eventsOfChunk(file, 1), (std::vector<Written>{{0, 0x99, 36, 100, ""},
                                                            {10, 0x89, 36, 100, ""},
                                                            {240, 0x99, 36, 100, ""},
                                                            {250, 0x89, 36, 100, ""},
                                                            {480, 0x99, 36, 100, ""},
                                                            {490, 0x89, 36, 100, ""}}));
    CMidiTrack back;
    ASSERT_EQ(load(back, file), 0);
    EXPECT_EQ(back.getTempo(), 428571);
    EXPECT_EQ(back.getTimeSigNumerator(), 3);
}

TEST(MidiTrackSmf, TrackSettingsAndProgramChangesAreNotSaved)
{
    CMidiTrack track;
    for (uint8_t controller : {0, 7, 10, 32, 39, 42, 1, 64})
        track.insertEvent(other(0, Event::Controller, controller, 5));
    track.insertEvent(other(0, Event::ProgramChange, 3, 0));
    track.insertEvent(other(0, Event::None, 3, 0));
    const std::vector<Written> written = eventsOfChunk(save(track), 1);
    EXPECT_EQ(written, (std::vector<Written>{{0, 0xB0, 1, 5, ""}, {0, 0xB0, 64, 5, ""}}));
}

TEST(MidiTrackSmf, RoundTripKeepsEveryKeptEvent)
{
    CMidiTrack track;
    track.setResolution(480);
    track.setTimeSignature(7, 8);
    track.setTempo(612345);
    track.setTexts("Shuffle", "");
    Event bend = other(50, Event::PitchBend, 0, 0, 3);
    bend.setPitchBend(8191);
    Event low = other(60, Event::PitchBend, 0, 0, 3);
    low.setPitchBend(-8192);
    for (const Event &e :
         {note(0, 36, 120), note(0, 42, 60, 127, 9), bend, low, note(100, 38, 0, 1, 9),
          other(200, Event::Controller, 1, 127, 15), other(300, Event::KeyPressure, 40, 3, 2),
          other(400, Event::ChannelPressure, 0, 99, 4), note(20000, 49, 100000)})
        track.insertEvent(e);
    CMidiTrack back;
    ASSERT_EQ(load(back, save(track)), 0);
    EXPECT_EQ(shapeOf(back), shapeOf(track));
    EXPECT_EQ(back.getResolution(), 480);
    EXPECT_EQ(back.getTimeSigNumerator(), 7);
    EXPECT_EQ(back.getTimeSigDenominator(), 8);
    EXPECT_EQ(back.getTempo(), 612345);
    EXPECT_EQ(back.getFirstText(), "Shuffle");
    EXPECT_EQ(back.getLastEnd(), track.getLastEnd());
}

TEST(MidiTrackSmf, RepeatedNotesAtTheOtherEndKeepTheirLengths)
{
    CMidiTrack track;
    track.insertEvent(note(0, 36, 240));
    track.insertEvent(note(240, 36, 240));
    track.insertEvent(note(240, 38, 0)); // ends where it starts
    CMidiTrack back;
    ASSERT_EQ(load(back, save(track)), 0);
    EXPECT_EQ(shapeOf(back), shapeOf(track));
}

TEST(MidiTrackSmf, NotesWithoutAnEndMakeAValidFile)
{
    CMidiTrack track;
    track.insertEvent(note(0, 36, -1));
    track.insertEvent(note(100, 38, -1));
    track.insertEvent(note(100, 42, 30));
    const std::string file = save(track);
    const std::vector<Written> written = eventsOfChunk(file, 1);
    // Each note-off after its note-on, and times never go back.
    EXPECT_EQ(written, (std::vector<Written>{{0, 0x99, 36, 100, ""},
                                             {0, 0x89, 36, 100, ""},
                                             {100, 0x99, 38, 100, ""},
                                             {100, 0x89, 38, 100, ""},
                                             {100, 0x99, 42, 100, ""},
                                             {130, 0x89, 42, 100, ""}}));
    CMidiTrack back;
    ASSERT_EQ(load(back, file), 0);
    EXPECT_EQ(back.events().front().duration, 0);
}

TEST(MidiTrackSmf, MalformedFilesLeaveTheTrackAsItWas)
{
    const std::string notes = bytes({0x00, 0x99, 36, 100, 0x10, 0x89, 36, 0});
    const struct {
        const char *what;
        std::string file;
    } cases[] = {
        {"not a file", "hello"},
        {"truncated chunk", smf(0, 96, {notes + EndOfTrack}).substr(0, 30)},
        {"huge chunk length",
         "MThd" + be32(6) + be16(0) + be16(1) + be16(96) + "MTrk" + be32(0x7FFFFFFF) + notes},
        {"huge meta length", smf(0, 96, {bytes({0x00, 0xFF, 0x03, 0xFF, 0xFF, 0xFF, 0x7F}) + EndOfTrack})},
        {"huge sysex length", smf(0, 96, {bytes({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F}) + EndOfTrack})},
        {"missing running status", smf(0, 96, {bytes({0x00, 36, 100}) + EndOfTrack})},
        {"running status after sysex",
         smf(0, 96, {notes + bytes({0x00, 0xF0, 0x01, 0xF7, 0x00, 36, 0}) + EndOfTrack})},
        {"division 0", smf(0, 0, {notes + EndOfTrack})},
        {"SMPTE division", smf(0, 0xE250, {notes + EndOfTrack})},
        {"missing end of track", smf(0, 96, {notes})},
        {"missing end of track in the tempo track",
         smf(1, 96, {bytes({0x00, 0xFF, 0x51, 0x03, 7, 0xA1, 0x20}), notes + EndOfTrack})},
        {"times beyond 32 bits",
         smf(0, 96,
             {bytes({0xFF, 0xFF, 0xFF, 0x7F, 0x99, 36,   1,    0xFF, 0xFF, 0xFF, 0x7F, 0x89, 36,
                     0,    0xFF, 0xFF, 0xFF, 0x7F, 0x89, 36,   0,    0xFF, 0xFF, 0xFF, 0x7F, 0x89,
                     36,   0,    0xFF, 0xFF, 0xFF, 0x7F, 0x89, 36,   0,    0xFF, 0xFF, 0xFF, 0x7F,
                     0x89, 36,   0,    0xFF, 0xFF, 0xFF, 0x7F, 0x89, 36,   0,    0xFF, 0xFF, 0xFF,
                     0x7F, 0x89, 36,   0,    0xFF, 0xFF, 0xFF, 0x7F, 0x89, 36,   0}) +
              EndOfTrack})},
    };
    for (const auto &c : cases) {
        CMidiTrack track;
        track.setResolution(480);
        track.insertEvent(note(5, 50));
        track.setTexts("keep", "me");
        EXPECT_EQ(load(track, c.file), 1) << c.what;
        EXPECT_EQ(track.getResolution(), 480) << c.what;
        EXPECT_EQ(track.getEventCount(), 1u) << c.what;
        EXPECT_EQ(track.getFirstText(), "keep") << c.what;
    }
}

TEST(MidiTrackSmf, MeaninglessMetaValuesFallBackToDefaults)
{
    const struct {
        const char *what;
        std::string meta;
        int numerator;
        int denominator;
        int32_t tempo;
    } cases[] = {
        {"tempo 0", bytes({0x00, 0xFF, 0x51, 0x03, 0, 0, 0}), 4, 4, 500000},
        {"short tempo", bytes({0x00, 0xFF, 0x51, 0x02, 1, 2}), 4, 4, 500000},
        {"numerator 0", bytes({0x00, 0xFF, 0x58, 0x04, 0, 2, 24, 8}), 4, 4, 500000},
        {"denominator 2^200", bytes({0x00, 0xFF, 0x58, 0x04, 3, 200, 24, 8}), 4, 4, 500000},
        {"whole notes", bytes({0x00, 0xFF, 0x58, 0x04, 2, 0, 96, 8}), 2, 1, 500000},
    };
    for (const auto &c : cases) {
        CMidiTrack track;
        ASSERT_EQ(load(track, smf(0, 96, {c.meta + EndOfTrack})), 0) << c.what;
        EXPECT_EQ(track.getTimeSigNumerator(), c.numerator) << c.what;
        EXPECT_EQ(track.getTimeSigDenominator(), c.denominator) << c.what;
        EXPECT_EQ(track.getTempo(), c.tempo) << c.what;
    }
}

TEST(MidiTrackSmf, FailuresAreReportedAndLeaveTheOldFile)
{
    CMidiTrack track;
    track.insertEvent(note(0, 36));
    const std::string whole = save(track);
    ShortStream cut(static_cast<uint32_t>(whole.size() - 1));
    EXPECT_EQ(track.saveSmf(cut), 1);

    TempFolder folder;
    const std::string path = folder.file("Groove.mid");
    ASSERT_TRUE(writeFile(path, "old pattern"));

    CMidiTrack distant(track);
    distant.insertEvent(note(0x10000100, 38)); // a delta no file can hold
    EXPECT_EQ(distant.saveSmfFile(path), 1);
    EXPECT_EQ(readFile(path), "old pattern");

    CMidiTrack noResolution(track);
    noResolution.setResolution(0);
    EXPECT_EQ(noResolution.saveSmfFile(path), 1);
    EXPECT_EQ(readFile(path), "old pattern");

    ASSERT_EQ(track.saveSmfFile(path), 0);
    EXPECT_EQ(readFile(path), whole);
    CMidiTrack back;
    ASSERT_EQ(back.loadSmfFile(path), 0);
    EXPECT_EQ(shapeOf(back), shapeOf(track));
    EXPECT_EQ(back.loadSmfFile(folder.file("absent.mid")), 1);
}

} // namespace

namespace {

TEST(MidiTrackSmf, DamagedBytesAreLoadedOrRefusedNeverCrash)
{
    CMidiTrack track;
    track.setTexts("Bossa", "Nova");
    for (int i = 0; i < 12; ++i)
        track.insertEvent(note(i * 120, static_cast<uint8_t>(36 + i % 5), 60));
    track.insertEvent(other(30, Event::Controller, 1, 64));
    const std::string file = save(track);

    int refused = 0;
    for (size_t length = 0; length < file.size(); ++length) {
        CMidiTrack loaded;
        refused += load(loaded, file.substr(0, length));
    }
    EXPECT_EQ(refused, static_cast<int>(file.size())) << "every truncated file is refused";

    for (size_t at = 0; at < file.size(); ++at) {
        for (int value : {0x00, 0x7F, 0x80, 0xFF, file[at] ^ 0x40}) {
            std::string damaged = file;
            damaged[at] = static_cast<char>(value);
            CMidiTrack loaded;
            const int result = load(loaded, damaged);
            ASSERT_TRUE(result == 0 || result == 1) << at;
            // A damaged byte may turn data into more events, but never into
            // more events than the file has bytes.
            if (result == 0) {
                EXPECT_LE(loaded.getEventCount(), file.size()) << at;
            }
        }
    }
}

} // namespace
