// The host a plug-in sees while the scan opens it: a version 2 host at
// 44.1 kHz with blocks of 512 frames, which sends no events.
#pragma once

#include "platform/vst2/vst2.h"

namespace Quorvane {

constexpr float kScanSampleRate = 44100.0f;
constexpr int32_t kScanBlockSize = 512;

// The answer to one host opcode; with events allowed the host also gives
// time information and takes events.
intptr_t AnswerHostOpcode(bool eventsAllowed, int32_t opcode, void *ptr);

// The callback handed to plug-ins during the scan (events not allowed).
intptr_t VST2_CALL ScanHostCallback(vst2::Effect *effect, int32_t opcode, int32_t index, intptr_t value,
                                    void *ptr, float opt);

} // namespace Quorvane
