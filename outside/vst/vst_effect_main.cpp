// The module's entry points: the effect by "CreateAudioEffect", and its
// registration as "Tembri VST" with the sound engine.
#include "outside/vst/vst_effect.h"
#include "sound/module_entry.h"

TEMBRI_AUDIO_EFFECT_MODULE("Tembri VST", CVstEffect)
