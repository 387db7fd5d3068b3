// The file to set beside other drum programs in the render benchmark's
// file scenario: 32 bars of a rock beat at 120 beats per minute, about 18
// notes a bar (hi-hat eighths, kick, snare with ghost notes, a crash on
// every phrase and a tom fill closing it), on the General MIDI drum
// channel, composed as step rows like the starter fills.
#pragma once

#include "plugin/fill/content/fill_content.h"

#include <string>

namespace render_benchmark {

const Quorvane::FillContent::FillDefinition &denseGroove();

// Writes it as a Standard MIDI File; false with a message.
bool writeDenseGroove(const std::string &path, std::string *error);

} // namespace render_benchmark
