// The module's entry points: the synthesizer by "CreateSoftSynth", and its
// registration as "Tembri DLS" with the sound engine.
#include "outside/dls/dls_synth.h"
#include "sound/module_entry.h"

TEMBRI_SOFT_SYNTH_MODULE("Tembri DLS", CDlsSynth)
