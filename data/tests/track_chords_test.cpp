#include "data/track_chords.h"
#include "data/track_meltext.h"

#include "data/tests/song_fixture.h"

#include <string>

using namespace Quorvane;

namespace {

class ChordAndMelodyTracks : public SongFixture {
protected:
    static EVENT chord(long root, long type)
    {
        EVENT e;
        if (root < 0)
            e.setChord(0);
        else
            e.setChord(root, type);
        return e;
    }
    static EVENT melody(long noteOrPause)
    {
        EVENT e;
        e.setMelody(noteOrPause);
        return e;
    }
    static std::string specials(const CTrack *t)
    {
        std::string out;
        for (long i = 0; i < t->GetNumb(); ++i) {
            const EVENT *e = t->GetEvent(i);
            if (e->IsSpec())
                out += std::to_string(e->time) + ":" + (e->value ? std::to_string(e->value & 0xFFFF) : "p") +
                       " ";
        }
        return out;
    }
    CTrackChords *chords()
    {
        auto *t = add<CTrackChords>(TRACK_CHORDS);
        t->CStructArray::Clear();
        return t;
    }
    CTrackMelText *lyrics()
    {
        auto *t = add<CTrackMelText>(TRACK_MELTEXT);
        t->CStructArray::Clear();
        return t;
    }
};

TEST_F(ChordAndMelodyTracks, RunsOfPausesShrinkAndTickZeroGetsOne)
{
    CTrackChords *c = chords();
    put(c, chord(-1, 0), 0);
    put(c, chord(-1, 0), 480);
    put(c, chord(0, 1), 960);
    put(c, ctrl(0, 7, 100), 1000);
    put(c, chord(-1, 0), 1440);
    put(c, chord(-1, 0), 1920);
    ASSERT_EQ(c->CheckInitial(0), 1);
    EXPECT_EQ(specials(c), "0:p 960:1 1440:p ");

    CTrackMelText *m = lyrics();
    put(m, melody(60), 480);
    put(m, melody(-1), 960);
    put(m, melody(-1), 1200);
    ASSERT_EQ(m->CheckInitial(0), 1);
    EXPECT_EQ(specials(m), "0:p 480:61 960:p ");
}

TEST_F(ChordAndMelodyTracks, ChordAtTimeFindsTheChordThatStartsInsideOrSounds)
{
    CTrackChords *c = chords();
    put(c, chord(0, 1), 0);
    put(c, chord(7, 1), 960);
    EXPECT_EQ(c->GetChordAtTime(480, 1920), 1);
    EXPECT_EQ(c->GetChordAtTime(480, 480), 0);
    EXPECT_EQ(c->GetChordAtTime(960, 960), 1);
    EXPECT_EQ(c->GetChordAtTime(5000, 6000), 1) << "from the cached index on";
    EXPECT_EQ(c->GetChordAtTime(0, 10), 0) << "stepping back from the cache";
    put(c, ctrl(0, 7, 1), 500); // another event after the tick stops the walk
    EXPECT_EQ(c->GetChordAtTime(480, 1920), 0);
}

TEST_F(ChordAndMelodyTracks, PausesByRangeTakeOneEventAndOnlyInsideTheRange)
{
    CTrackChords *c = chords();
    put(c, chord(2, 1), 0);
    put(c, chord(9, 1), 960);
    EXPECT_EQ(c->SetPauseByRange(0, 2000, 5, 11), 0) << "the chord at 0 starts inside; root 2 is outside";
    EXPECT_EQ(c->SetPauseByRange(100, 2000, 5, 11), 1);
    EXPECT_EQ(specials(c), "0:3 960:p ");

    CTrackMelText *m = lyrics();
    put(m, melody(60), 0);
    put(m, melody(62), 480);
    EXPECT_EQ(m->SetPauseByRange(0, 1000, 0, 127), 1);
    EXPECT_EQ(specials(m), "0:p 480:63 ") << "at most one note per call";
}

TEST_F(ChordAndMelodyTracks, DataAndEnds)
{
    CTrackChords *c = chords();
    EXPECT_EQ(c->HaveData(), 0);
    put(c, ctrl(0, 7, 100), 0);
    EXPECT_EQ(c->HaveData(), 0);
    put(c, chord(0, 1), 960);
    EXPECT_EQ(c->HaveData(), 1);
    ASSERT_EQ(c->UpdateLastTime(), 1);
    EXPECT_EQ(c->lastTime, 4 * 960) << "the bar after the last chord";
    put(c, chord(-1, 0), 5000);
    c->UpdateLastTime();
    EXPECT_EQ(c->lastTime, 5000) << "a last pause ends the track";

    CTrackMelText *m = lyrics();
    put(m, melody(-1), 0);
    EXPECT_EQ(m->HaveData(), 0);
    int mode = 1;
    m->text.AddNewChar(0, 0, 'a', mode);
    EXPECT_EQ(m->HaveData(), 1) << "lyrics alone are data";
    put(m, melody(64), 4000);
    m->UpdateLastTime();
    EXPECT_EQ(m->lastTime, 8 * 960);
}

TEST_F(ChordAndMelodyTracks, NodesFollowChordsAndMelody)
{
    CTrackChords *c = chords();
    put(c, chord(0, 1), 0);
    put(c, chord(5, 1), 960);
    CTrackMelText *m = lyrics();
    put(m, melody(60), 0);
    put(m, melody(62), 480);
    int mode = 1;
    for (char ch : std::string("la\x01li\x01lo\x01lu\x01xx"))
        m->text.AddNewChar(0, m->text.GetLine(0) ? m->text.GetLine(0)->length : 0, ch, mode);
    ASSERT_EQ(m->text.GetNumNodes(), 5);
    ASSERT_EQ(song.UpdateNodes(), 1);
    ASSERT_EQ(m->timeNodes.GetNumb(), 3); // 0 (chord and note), 480, 960
    EXPECT_EQ(m->text.GetNumNodes(), 3) << "surplus text nodes go";
    EXPECT_EQ(m->CanNewTextNode(), 0);
    EXPECT_EQ(m->CanDelTextNode(), 1);
    TIMENODE *second = m->GetTimeNode(0, 3);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->tick, 480);
    EXPECT_EQ(m->GetTimeNode(0, 1), nullptr);
}

} // namespace
