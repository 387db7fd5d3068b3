// The module's entry points: the output by "CreateSoftSynth", and its
// registration as "Tembri MIDI" with the sound engine.
#include "outside/midiout/midi_out_synth.h"
#include "sound/module_entry.h"

TEMBRI_SOFT_SYNTH_MODULE("Tembri MIDI", CMidiOutSynth)
