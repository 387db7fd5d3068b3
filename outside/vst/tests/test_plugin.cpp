// The tests' own VST 2 plug-ins (not deliverables), one library per kind
// (TEST_VST_KIND selects it):
// - instruments that hold a level from each note-on's frame to its note-off
//   (channel c at level / 2^c, level = parameter 0 x velocity / 127), with
//   2, 1 or 4 outputs, an editor, and their parameters as their state; one
//   of them crashes when note 13 arrives and throws when note 14 does;
// - an effect that multiplies its two channels by twice parameter 0 and
//   keeps that parameter as its own block of state.
// What each saw of its host is read back through "TestVstProbe"; a test can
// hold up a parameter's setting and ask for the host's time on its thread.
#include "outside/vst/tests/test_plugin_probe.h"
#include "platform/vst2/vst2.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>

namespace {

#if TEST_VST_KIND == TEST_VST_EFFECT
constexpr int32_t kInputs = 2, kOutputs = 2;
constexpr int32_t kFlags = vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks;
#else
constexpr int32_t kInputs = 0;
constexpr int32_t kOutputs = TEST_VST_KIND == TEST_VST_MONO ? 1 : TEST_VST_KIND == TEST_VST_QUAD ? 4 : 2;
constexpr int32_t kFlags = vst2::effFlagsIsSynth | vst2::effFlagsCanReplacing | vst2::effFlagsHasEditor;
#endif

TEST_VST_PROBE probe;
vst2::HostCallback host = nullptr;
float parameter = 0.5f;
float chunk = 0.0f;
// The level held now and the changes of the next block.
float level = 0.0f;
enum class Fault { None, Crash, Throw };
struct Change {
    int32_t frame;
    float level;
    Fault fault;
};
Change changes[64];
int changeCount = 0;
HWND editor = nullptr;
vst2::Effect *editorEffect = nullptr;
vst2::Effect *opened = nullptr;
// The next parameter set signals entered and waits for release.
HANDLE holdUpEntered = nullptr, holdUpRelease = nullptr;
vst2::EditorRect editorRect = {0, 0, 90, 160};

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT || message == WM_PRINTCLIENT) {
        PAINTSTRUCT paint;
        HDC dc = message == WM_PAINT ? BeginPaint(window, &paint) : reinterpret_cast<HDC>(wParam);
        RECT area;
        GetClientRect(window, &area);
        HBRUSH back = CreateSolidBrush(RGB(40, 90, 160));
        FillRect(dc, &area, back);
        DeleteObject(back);
        RECT bar = {10, 60, 10 + static_cast<LONG>(140 * parameter), 75};
        HBRUSH front = CreateSolidBrush(RGB(240, 200, 60));
        FillRect(dc, &bar, front);
        DeleteObject(front);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 10, 10, "Test VSTi", 9);
        if (message == WM_PAINT)
            EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_LBUTTONDOWN) {
        // A click sets the level from where it falls, and the host is told.
        parameter = static_cast<float>(static_cast<short>(LOWORD(lParam)) - 10) / 140.0f;
        host(editorEffect, vst2::hostAutomate, 0, 0, nullptr, parameter);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HINSTANCE self = nullptr;

bool OpenEditor(HWND parent)
{
    WNDCLASSA type = {};
    type.lpfnWndProc = EditorProc;
    type.hInstance = self;
    type.lpszClassName = "TembriTestVstEditor";
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&type);
    editor = CreateWindowA("TembriTestVstEditor", "", WS_CHILD | WS_VISIBLE, 0, 0, editorRect.right,
                           editorRect.bottom, parent, nullptr, self, nullptr);
    probe.editorThread = GetCurrentThreadId();
    probe.editorWindow = editor;
    return editor != nullptr;
}

void Note(const char *data, int32_t frame)
{
    const auto status = static_cast<unsigned char>(data[0]) & 0xF0;
    const auto note = static_cast<unsigned char>(data[1]);
    const auto velocity = static_cast<unsigned char>(data[2]);
    if (changeCount == static_cast<int>(sizeof changes / sizeof changes[0]))
        return;
    const Fault fault = note == 13 ? Fault::Crash : note == 14 ? Fault::Throw : Fault::None;
    if (status == 0x90 && velocity > 0)
        changes[changeCount++] = {frame, parameter * velocity / 127.0f, fault};
    else if (status == 0x80 || status == 0x90)
        changes[changeCount++] = {frame, 0.0f, Fault::None};
}

intptr_t VST2_CALL Dispatch(vst2::Effect *effect, int32_t opcode, int32_t, intptr_t value, void *ptr,
                            float opt)
{
    switch (opcode) {
    case vst2::effOpen:
        ++probe.opens;
        opened = effect;
        // What the host says of itself once the plug-in is open.
        probe.hostVersion = static_cast<int32_t>(host(effect, vst2::hostVersion, 0, 0, nullptr, 0.0f));
        probe.hostRate = static_cast<int32_t>(host(effect, vst2::hostGetSampleRate, 0, 0, nullptr, 0.0f));
        probe.hostBlock = static_cast<int32_t>(host(effect, vst2::hostGetBlockSize, 0, 0, nullptr, 0.0f));
        probe.vendorAnswer =
            static_cast<int32_t>(host(effect, vst2::hostGetVendorString, 0, 0, probe.hostVendor, 0.0f));
        probe.productAnswer =
            static_cast<int32_t>(host(effect, vst2::hostGetProductString, 0, 0, probe.hostProduct, 0.0f));
        {
            int i = 0;
            for (const char *question : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                         "receiveVstEvents", "sizeWindow", "offline", "supplyIdle"}) {
                char text[32];
                std::strcpy(text, question);
                probe.canDo[i++] = static_cast<int32_t>(host(effect, vst2::hostCanDo, 0, 0, text, 0.0f));
            }
        }
        return 0;
    case vst2::effClose:
        ++probe.closes;
        delete effect;
        return 0;
    case vst2::effSetSampleRate:
        probe.rate = opt;
        return 0;
    case vst2::effSetBlockSize:
        probe.block = static_cast<int32_t>(value);
        return 0;
    case vst2::effGetEffectName:
        std::strcpy(static_cast<char *>(ptr), TEST_VST_KIND == TEST_VST_EFFECT ? "Test VST" : "Test VSTi");
        return 1;
    case vst2::effProcessEvents: {
        const auto *list = static_cast<const vst2::Events *>(ptr);
        for (int32_t i = 0; i < list->numEvents; ++i) {
            const auto *midi = reinterpret_cast<const vst2::MidiEvent *>(list->events[i]);
            if (midi->type == vst2::kEventMidi)
                Note(midi->midiData, midi->deltaFrames);
            ++probe.events;
        }
        return 1;
    }
    case vst2::effGetChunk:
        chunk = parameter;
        *static_cast<void **>(ptr) = &chunk;
        return sizeof chunk;
    case vst2::effSetChunk:
        if (value == sizeof(float))
            std::memcpy(&parameter, ptr, sizeof(float));
        return 0;
    case vst2::effEditGetRect:
        *static_cast<vst2::EditorRect **>(ptr) = &editorRect;
        return 1;
    case vst2::effEditOpen:
        editorEffect = effect;
        return OpenEditor(static_cast<HWND>(ptr)) ? 1 : 0;
    case vst2::effEditIdle:
        ++probe.editorIdles;
        return 0;
    case vst2::effEditClose:
        probe.editorCloseThread = GetCurrentThreadId();
        DestroyWindow(editor);
        editor = nullptr;
        probe.editorWindow = nullptr;
        return 0;
    default:
        return 0;
    }
}

void VST2_CALL Process(vst2::Effect *, float **, float **, int32_t) {}

void AskTime(vst2::Effect *effect)
{
    const auto *time = reinterpret_cast<const vst2::TimeInfo *>(
        host(effect, vst2::hostGetTime, 0, vst2::kTimePpqPosValid | vst2::kTimeTempoValid, nullptr, 0.0f));
    if (!time)
        return;
    probe.lastTime = *time;
    probe.lastTimeRecord = time;
    probe.processLevel =
        static_cast<int32_t>(host(effect, vst2::hostGetCurrentProcessLevel, 0, 0, nullptr, 0.0f));
}

void VST2_CALL ProcessReplacing(vst2::Effect *effect, float **inputs, float **outputs, int32_t frames)
{
    ++probe.processCalls;
    probe.lastFrames = frames;
    AskTime(effect);
#if TEST_VST_KIND == TEST_VST_EFFECT
    for (int32_t c = 0; c < kOutputs; ++c)
        for (int32_t i = 0; i < frames; ++i)
            outputs[c][i] = inputs[c][i] * 2.0f * parameter;
#else
    (void)inputs;
    int change = 0;
    for (int32_t i = 0; i < frames; ++i) {
        while (change < changeCount && changes[change].frame <= i) {
            if (TEST_VST_KIND == TEST_VST_CRASH && changes[change].fault == Fault::Crash) {
                volatile int *nowhere = nullptr;
                *nowhere = 1;
            }
            if (TEST_VST_KIND == TEST_VST_CRASH && changes[change].fault == Fault::Throw)
                throw changes[change].frame;
            level = changes[change++].level;
        }
        float channelLevel = level;
        for (int32_t c = 0; c < kOutputs; ++c) {
            outputs[c][i] = channelLevel;
            channelLevel *= 0.5f;
        }
    }
    changeCount = 0;
#endif
}

void VST2_CALL SetParameter(vst2::Effect *, int32_t index, float value)
{
    if (holdUpEntered) {
        const HANDLE release = holdUpRelease;
        SetEvent(holdUpEntered);
        holdUpEntered = holdUpRelease = nullptr;
        WaitForSingleObject(release, 10000);
    }
    if (index == 0)
        parameter = value;
}

float VST2_CALL GetParameter(vst2::Effect *, int32_t index)
{
    return index == 0 ? parameter : 0.25f;
}

} // namespace

extern "C" __declspec(dllexport) TEST_VST_PROBE *TestVstProbe()
{
    return &probe;
}

// The next parameter set signals entered, then waits (at most ten
// seconds) until release is set.
extern "C" __declspec(dllexport) void TestVstHoldUpParameters(HANDLE entered, HANDLE release)
{
    holdUpRelease = release;
    holdUpEntered = entered;
}

// The host's time record as the calling thread is handed it.
extern "C" __declspec(dllexport) const vst2::TimeInfo *TestVstAskTime()
{
    return opened ? reinterpret_cast<const vst2::TimeInfo *>(
                        host(opened, vst2::hostGetTime, 0, vst2::kTimePpqPosValid, nullptr, 0.0f))
                  : nullptr;
}

// Back to the state of a fresh load.
extern "C" __declspec(dllexport) void TestVstReset()
{
    probe = {};
    parameter = 0.5f;
    holdUpEntered = holdUpRelease = nullptr;
    level = 0.0f;
    changeCount = 0;
}

VST2_ENTRY(TestPluginMain)
{
    ::host = host;
    auto *effect = new vst2::Effect{};
    effect->magic = vst2::kEffectMagic;
    effect->dispatcher = Dispatch;
    effect->process = Process;
    effect->processReplacing = ProcessReplacing;
    effect->setParameter = SetParameter;
    effect->getParameter = GetParameter;
    effect->numPrograms = 1;
    effect->numParams = 2;
    effect->numInputs = kInputs;
    effect->numOutputs = kOutputs;
    effect->flags = kFlags;
    effect->uniqueId = vst2::FourCC('T', 't', 'V', static_cast<char>('0' + TEST_VST_KIND));
    return effect;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}
