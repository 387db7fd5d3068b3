// The render benchmark's scenarios. Each prints its line of figures and
// gives false, with the reason on stderr, when it cannot run or finds its
// result wrong (nothing sounded, the song did not play, no WAVE came out).
#pragma once

#include "sound/tests/drummer_song.h"

#include <string>

namespace render_benchmark {

constexpr long kRate = 44100;
constexpr long kFrames = 256;

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

} // namespace render_benchmark
