// The audio-effect module registered as "Tembri DX" decides which DirectX
// filters it can host: its entry "CheckDXAudioFilter" answers nonzero to
// accept a filter's class id, 0 to reject it.
#pragma once

#include <windows.h>

namespace Quorvane {

constexpr char kDXHostModuleName[] = "Tembri DX";
constexpr char kCheckDXAudioFilterEntry[] = "CheckDXAudioFilter";
using CheckDXAudioFilterProc = BOOL (*)(const CLSID *filter);

} // namespace Quorvane
