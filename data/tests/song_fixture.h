// A song with its default master track over the tests' own sound manager,
// for the tests of the track kinds, effects and MIDI files.
#pragma once

#include "data/song.h"
#include "data/track_master.h"

#include "data/tests/fake_sound.h"

#include <gtest/gtest.h>

class SongFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(song.SetDefault(), 1); }

    template <typename Track = Quorvane::CTrack> Track *add(long kind)
    {
        Quorvane::CTrack *t = song.InsertNewTrack(kind, -1, 0);
        EXPECT_NE(t, nullptr) << "kind " << kind;
        return static_cast<Track *>(t);
    }
    // Appends an event at a time and keeps the track sorted.
    static void put(Quorvane::CTrack *track, Quorvane::EVENT e, int32_t time)
    {
        e.time = time;
        track->AddToTail(&e, 1);
        track->Sort();
    }
    static Quorvane::EVENT note(long channel, long pitch, long velocity, int32_t duration)
    {
        Quorvane::EVENT e;
        e.setNote(channel, pitch, velocity);
        e.value = duration;
        return e;
    }
    static Quorvane::EVENT ctrl(long channel, long number, long value)
    {
        Quorvane::EVENT e;
        e.setCtrl(channel, number, value);
        return e;
    }
    static Quorvane::EVENT prog(long channel, long program)
    {
        Quorvane::EVENT e;
        e.setProg(channel, program);
        return e;
    }
    static Quorvane::EVENT text(long type, const char *words)
    {
        Quorvane::EVENT e;
        e.setText(type, words);
        return e;
    }

    FakeSoundMngr sound;
    Quorvane::CSong song{nullptr, &sound};
};
