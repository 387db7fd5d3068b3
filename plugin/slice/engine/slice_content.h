// What one slice plays and how, as the loop record stores it: the pattern's
// names and events with what they tell, and the slice's own settings. A
// content is never changed once a slice or a stored pad holds it: an edit
// makes a new one. So a pad switch on the host's thread only moves
// pointers, and a pad that was never stored can share the live content.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/velo_transformer.h"
#include "plugin/framework/midi/midi_track.h"
#include "plugin/slice/library/folder_patterns.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Quorvane {
class PatternTree;
}

namespace Quorvane::LoopSlice {

struct SliceContent {
    static constexpr uint8_t kDefaultFixedNote = 54;

    SliceContent();

    // The pattern: folder relative to the library in the stored form
    // ("Collection\\Instrument\\Sub\\"), file relative to the folder. The
    // names stay as given even when the library lacks them.
    std::string folder;
    std::string file;
    uint8_t mute = 0;
    int32_t velocityOffset = 0; // -127..127
    int32_t keyOffset = 0;      // -127..127
    int32_t timeOffset = 0;     // 480 ticks per quarter
    int32_t dynamics = 100;     // percent, 0..100
    bool fixedNoteOn = false;
    uint8_t fixedNote = kDefaultFixedNote;
    DrumMap drumMap;
    // Events edited by the user (stored with the loop) and changed since.
    bool ownEvents = false;
    bool modified = false;

    std::shared_ptr<const CMidiTrack> track;        // never null
    PatternName name;                               // of file
    VelocityStatistics velocity;                    // of track
    std::shared_ptr<const FolderPatterns> patterns; // of folder, never null

    // The name's properties and the track's velocities after file or track
    // changed.
    void refreshDerived();
    // The pattern's events in the track's time order.
    const CMidiTrack::EventList &events() const { return track->events(); }
};

using SliceContentPtr = std::shared_ptr<const SliceContent>;

// The content a pattern selection gives, made aside from base (reads the
// pattern's file): a new folder brings its listing and sets the fixed-note
// flag from its sub-collection's name; own events and modified are cleared.
// A file the folder lacks empties the track and, unless keepNames, the file
// name.
SliceContentPtr contentWithPattern(const PatternTree *tree, const SliceContent &base,
                                   const std::string &folder, const std::string &file, bool keepNames);

// Component n of a folder path ("A\\B\\C\\": A, B, C); empty when missing.
std::string folderComponent(const std::string &folder, int n);
// The path with component n replaced (missing components stay empty).
std::string withFolderComponent(const std::string &folder, int n, const std::string &name);
// A sub-collection whose name begins with a lower-case letter plays one
// fixed note.
bool playsFixedNote(const std::string &folder);

} // namespace Quorvane::LoopSlice
