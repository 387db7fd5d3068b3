// Layout values that all editor windows of the library share: a window
// reads them when it is made and writes back what the user changes, so the
// next window starts where the last one was left.
#pragma once

#include "gui/pannikel_api.h"

namespace Quorvane {

// Horizontal zooms in ticks per pixel at 960 ticks per quarter: the track
// editors', the measures window's and the chords window's.
extern PANNIKEL_API long ZoomTrackHorz;
extern PANNIKEL_API long ZoomMeasHorz;
extern PANNIKEL_API long ZoomChordsHorz;
// Height of one pitch-class row of the chords window, 5..20 pixels.
extern PANNIKEL_API long ZoomChordsVert;
// Height of one key row of the MIDI windows and of the melody-text
// windows, 4..20 pixels.
extern PANNIKEL_API long ZoomMIDIVert;
extern PANNIKEL_API long ZoomMelVert;
// Samples per pixel of the audio windows at 960 ticks per quarter.
extern PANNIKEL_API long ZoomAudioHorz;

// Widths of the left bands of the MIDI, chords, melody-text and audio
// windows.
extern PANNIKEL_API long wMIDILeftBand;
extern PANNIKEL_API long wChordsLeftBand;
extern PANNIKEL_API long wMelLeftBand;
extern PANNIKEL_API long wAudioLeftBand;

// Column widths of the table windows.
constexpr int kTracksColumns = 15;
extern PANNIKEL_API long tabTracksClmns[kTracksColumns];
extern PANNIKEL_API long tabSInfoClmn[2];
extern PANNIKEL_API long tabSTractClmnPrt[3];
extern PANNIKEL_API long tabSTractClmnBus[7];
extern PANNIKEL_API long tabSTractClmnAEff[3];
extern PANNIKEL_API long tabSTractClmnMEff[3];
extern PANNIKEL_API long tabSysExClmn[5];
extern PANNIKEL_API long tabPattChnClmn[7];

// The cursor type shown for each editing tool 0..3 of a client.
extern PANNIKEL_API long tabNativeCursor[4];

} // namespace Quorvane
