// A real song with its song tract in a started-free sound manager, the
// engine's modules ("Default Preview", "Tembri Audio", "Tembri MFX") and
// the fill drummer registered privately for the test program.
#pragma once

#include "data/song.h"
#include "data/track_midi.h"
#include "sound/sound_mngr.h"

#include <memory>
#include <string>

namespace equipment_test {

class TestSong {
public:
    TestSong();
    ~TestSong();
    TestSong(const TestSong &) = delete;
    TestSong &operator=(const TestSong &) = delete;

    Quorvane::CSong *get() const { return song_.get(); }
    Quorvane::CSong *operator->() const { return song_.get(); }
    Quorvane::IQuorvaneSongTract *tract() const { return song_->GetSongTract(); }
    // An output of the preview synthesizer module named by its name.
    void *addNamedOut(const char *module = "Default Preview");
    // The tract's outputs in order.
    int numOuts() const;
    // A MIDI track with the fill drummer on its chain.
    Quorvane::CTrackMIDI *addDrummerTrack();
    // The drummer's saved state.
    static std::string drummerState(Quorvane::CTrackMIDI *track);

private:
    Quorvane::CSoundMngr *manager_;
    std::unique_ptr<Quorvane::CSong> song_;
};

// A descriptor naming a module (kind 3).
Quorvane::PORTDESCR namedOut(const char *module = "Default Preview");

} // namespace equipment_test
