// The tests' DLS synthesizer (not a deliverable), in place of the system's:
// it takes the downloaded waves and instruments, and plays each note from
// the sample its message's time converts to (through the sink it is given)
// as its instrument's wave, as it was downloaded, on both channels, scaled
// by velocity / 127.
#pragma once

#include <windows.h>

// {8E2B4C61-3F5A-4D7E-9B12-5C6D7E8F9A0B}
constexpr CLSID kTestDlsSynth = {
    0x8E2B4C61, 0x3F5A, 0x4D7E, {0x9B, 0x12, 0x5C, 0x6D, 0x7E, 0x8F, 0x9A, 0x0B}};

// What the synthesizer was given, for the tests ("TestDlsState").
struct TESTDLSSTATE {
    DWORD rate;           // the sample rate it was opened with
    long opens;           // Open calls of every object, from the first
    long active;          // 1 while activated
    long waves;           // waves it holds
    long instruments;     // instruments it holds
    DWORD patches[4];     // the patches of the first instruments it took
    WORD unityNotes[4];   // their first region's unity note
    DWORD loopStarts[4];  // and loop start (0 without a loop)
    LONG attacks[4];      // and volume attack of their articulation (0 without one)
    DWORD linkedWaves[4]; // and the download id of the wave it links
};
using TestDlsStateProc = void (*)(TESTDLSSTATE *state);
