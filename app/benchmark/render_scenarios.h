// The render benchmark's scenarios. Each prints its line of figures and
// gives false, with the reason on stderr, when it cannot run or finds its
// result wrong (nothing sounded, the song did not play, no WAVE came out).
#pragma once

#include "sound/tests/drummer_song.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Quorvane {
class CSong;
class CSoundMngr;
} // namespace Quorvane

namespace render_benchmark {

constexpr long kRate = 44100;
constexpr long kFrames = 256;
// Bars each part loops.
constexpr int kPartBars = 4;

// Parts of the program (each a loop-slice drummer and two fill drummers
// as a fresh part has them) looping their four bars, the first sounding
// ones unmuted, played by the render thread into the unpaced capture for
// bars bars.
bool runParts(drummer_song::PlaybackEnvironment &environment, const char *name, int soundingParts, long bars);

// The Standard MIDI File imported into a song whose drum track plays on
// the preview synthesizer and rendered off line as Export Audio renders a
// part; the WAVE goes to out when given. With bars > 0 only that many bars
// of the file are rendered.
bool runFile(drummer_song::PlaybackEnvironment &environment, const std::string &smf, const std::string &out,
             long bars);

// The live scenario's part playing while the window thread, rounds times,
// loads the hibernated song with its parts (releasing and rebuilding the
// twelve parts as the template chooser does), changes the output to
// another instance of the preview synthesizer and back, opens and closes a
// drummer's editor, and edits the tempo map.
bool runChurn(drummer_song::PlaybackEnvironment &environment, long rounds);

// What the scenarios share.
// Fresh parts laid out as the program plays them: four bars each, the
// first soundingParts unmuted, the loop over the first part.
void layOutParts(Quorvane::CSong &song, int soundingParts);
// A capture's buffer callback: the loudest 16-bit sample into the int at
// user.
void keepPeak(void *user, const void *bytes, int32_t frames, int32_t bytesPerFrame);
// The reason on stderr; false.
bool fail(const char *name, const char *what);
// A sound manager (not started) on the engine's parameters of the
// scenarios, and a song on it, for run; its answer.
bool withEngineSong(const std::function<bool(Quorvane::CSoundMngr *, Quorvane::CSong &)> &run);

} // namespace render_benchmark
