// What the tests' VST 2 plug-ins saw of their host, read back by the tests
// through each library's "TestVstProbe".
#pragma once

#include "platform/vst2/vst2.h"

#include <windows.h>

#define TEST_VST_STEREO 1
#define TEST_VST_MONO 2
#define TEST_VST_QUAD 3
#define TEST_VST_CRASH 4
#define TEST_VST_EFFECT 5

struct TEST_VST_PROBE {
    int32_t opens = 0;
    int32_t closes = 0;
    float rate = 0.0f; // as set before and after opening
    int32_t block = 0;
    int32_t hostVersion = 0;
    int32_t hostRate = 0;
    int32_t hostBlock = 0;
    // sendVstEvents, sendVstMidiEvent, sendVstTimeInfo, receiveVstEvents,
    // sizeWindow, offline, supplyIdle.
    int32_t canDo[7] = {};
    // The host's vendor and product strings, with the answers.
    char hostVendor[vst2::kMaxVendorStringLength + 1] = {};
    char hostProduct[vst2::kMaxVendorStringLength + 1] = {};
    int32_t vendorAnswer = 0;
    int32_t productAnswer = 0;
    int32_t processCalls = 0;
    int32_t lastFrames = 0;
    int32_t events = 0;
    vst2::TimeInfo lastTime = {};
    // The record the host handed while rendering.
    const vst2::TimeInfo *lastTimeRecord = nullptr;
    int32_t processLevel = 0;
    DWORD editorThread = 0;
    DWORD editorCloseThread = 0;
    HWND editorWindow = nullptr;
    int32_t editorIdles = 0;
};

using TestVstProbeProc = TEST_VST_PROBE *(*)();
using TestVstResetProc = void (*)();
using TestVstHoldUpParametersProc = void (*)(HANDLE entered, HANDLE release);
using TestVstAskTimeProc = const vst2::TimeInfo *(*)();
