// The module's entry points: the output by "CreateSoftSynth", and its
// registration as "Tembri Audio" with the sound engine.
#include "outside/audio/audio_synth.h"
#include "sound/module_entry.h"

TEMBRI_SOFT_SYNTH_MODULE("Tembri Audio", CAudioSynth)
