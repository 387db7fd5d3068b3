// The module's entry points: the output by "CreateSoftSynth", and its
// registration as "Tembri VSTi" with the sound engine.
#include "outside/vst/vsti_synth.h"
#include "sound/module_entry.h"

TEMBRI_SOFT_SYNTH_MODULE("Tembri VSTi", CVstiSynth)
