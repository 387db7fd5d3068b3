// The tests' DirectX audio effect (not a deliverable): a DMO that takes and
// gives stereo float and gives gain x its input plus echo x the input of the
// block before. Its state (IPersistStream) is the two floats gain and echo,
// and a third, a chunk in frames, when it is not 0: the DMO then gives gain x
// its input only in whole chunks and takes no input while a chunk waits (a
// DMO with latency and output of its own timing).
#pragma once

#include <windows.h>

// {5D1C3E7A-2B64-4F0D-8A93-6E7F1C2D3B4A}
constexpr CLSID kTestGainDmo = {0x5D1C3E7A, 0x2B64, 0x4F0D, {0x8A, 0x93, 0x6E, 0x7F, 0x1C, 0x2D, 0x3B, 0x4A}};
constexpr wchar_t kTestGainDmoName[] = L"Tembri Test Gain";
constexpr float kTestGainDefault = 0.5f;
// The one rate the DMO refuses.
constexpr unsigned kTestGainRefusedRate = 11025;

// The export "TestGainDmoRate": the sample rate the DMO last took.
using TestGainDmoRateProc = DWORD (*)();
