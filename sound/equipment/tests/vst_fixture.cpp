// Small VST 2 plug-ins for the scan's tests, one library per behaviour
// (VST_FIXTURE selects it). Each writes what it is asked, and what its host
// answers, to the file named by TEMBRI_VST_FIXTURE_LOG, a line per event.
#include "platform/vst2/vst2.h"
#include "sound/equipment/tests/vst_fixture_kinds.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace {

#if VST_FIXTURE == VST_FIXTURE_INSTRUMENT
constexpr char kName[] = "instrument";
constexpr int32_t kFlags = vst2::effFlagsIsSynth | vst2::effFlagsCanReplacing;
constexpr int32_t kInputs = 0, kOutputs = 2;
#elif VST_FIXTURE == VST_FIXTURE_STEREO_EFFECT
constexpr char kName[] = "stereo effect";
constexpr int32_t kFlags = vst2::effFlagsCanReplacing;
constexpr int32_t kInputs = 2, kOutputs = 2;
#elif VST_FIXTURE == VST_FIXTURE_MONO_EFFECT
constexpr char kName[] = "mono effect";
constexpr int32_t kFlags = vst2::effFlagsCanReplacing;
constexpr int32_t kInputs = 1, kOutputs = 1;
#elif VST_FIXTURE == VST_FIXTURE_BAD_MAGIC
constexpr char kName[] = "bad magic";
constexpr int32_t kFlags = vst2::effFlagsCanReplacing;
constexpr int32_t kInputs = 2, kOutputs = 2;
#elif VST_FIXTURE == VST_FIXTURE_BRIDGE
constexpr char kName[] = "bridge";
constexpr int32_t kFlags = vst2::effFlagsIsSynth | vst2::effFlagsCanReplacing | vst2::effFlagsHasEditor;
constexpr int32_t kInputs = 0, kOutputs = 2;
#elif VST_FIXTURE == VST_FIXTURE_CRASH_OPEN
constexpr char kName[] = "crash";
constexpr int32_t kFlags = vst2::effFlagsIsSynth;
constexpr int32_t kInputs = 0, kOutputs = 2;
#elif VST_FIXTURE == VST_FIXTURE_THROW_OPEN
constexpr char kName[] = "throw";
constexpr int32_t kFlags = vst2::effFlagsIsSynth;
constexpr int32_t kInputs = 0, kOutputs = 2;
#elif VST_FIXTURE != VST_FIXTURE_NO_MAIN
#error "unknown VST_FIXTURE"
#endif

#if VST_FIXTURE != VST_FIXTURE_NO_MAIN

vst2::HostCallback host = nullptr;

void Log(const char *format, ...)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kVstFixtureLogVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (FILE *file = std::fopen(path, "a")) {
        std::fprintf(file, "%s %s\n", kName, line);
        std::fclose(file);
    }
}

#if VST_FIXTURE == VST_FIXTURE_INSTRUMENT
// What the host answers, each asked once.
void AskHost(vst2::Effect *effect)
{
    for (int32_t opcode : std::initializer_list<int32_t>{vst2::hostVersion, vst2::hostGetTime,
                                                         vst2::hostProcessEvents, vst2::hostTempoAt,
                                                         vst2::hostGetSampleRate, vst2::hostGetBlockSize, 99})
        Log("host %d = %lld", opcode, static_cast<long long>(host(effect, opcode, 0, 0, nullptr, 0.0f)));
    for (int32_t opcode :
         std::initializer_list<int32_t>{vst2::hostGetVendorString, vst2::hostGetProductString}) {
        char text[vst2::kMaxVendorStringLength + 1] = {};
        const intptr_t answer = host(effect, opcode, 0, 0, text, 0.0f);
        Log("host %d = %lld \"%s\"", opcode, static_cast<long long>(answer), text);
    }
    for (const char *question : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "sizeWindow",
                                 "supplyIdle", "receiveVstEvents"}) {
        char text[64];
        std::strcpy(text, question);
        Log("host can %s = %lld", question,
            static_cast<long long>(host(effect, vst2::hostCanDo, 0, 0, text, 0.0f)));
    }
}
#endif

void Open(vst2::Effect *effect)
{
#if VST_FIXTURE == VST_FIXTURE_INSTRUMENT
    AskHost(effect);
#elif VST_FIXTURE == VST_FIXTURE_CRASH_OPEN
    (void)effect;
    volatile int *nowhere = nullptr;
    *nowhere = 1;
#elif VST_FIXTURE == VST_FIXTURE_THROW_OPEN
    (void)effect;
    // Something to clean up on the way out.
    const std::string message = std::string("cannot open ") + kName;
    throw std::runtime_error(message);
#else
    (void)effect;
#endif
}

intptr_t VST2_CALL Dispatch(vst2::Effect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr,
                            float opt)
{
    if (opcode == vst2::effCanDo) {
        const char *question = static_cast<const char *>(ptr);
        Log("dispatch %d \"%s\"", opcode, question ? question : "");
#if VST_FIXTURE == VST_FIXTURE_BRIDGE
        if (question && std::strcmp(question, "isQuorvaneHalvorin") == 0)
            return vst2::FourCC('q', 'v', 'H', 'V');
#endif
        return 0;
    }
    Log("dispatch %d %d %lld %g", opcode, index, static_cast<long long>(value), static_cast<double>(opt));
    if (opcode == vst2::effOpen)
        Open(effect);
    if (opcode == vst2::effClose)
        delete effect;
    return 0;
}

void VST2_CALL Process(vst2::Effect *, float **, float **, int32_t) {}

#endif

} // namespace

#if VST_FIXTURE == VST_FIXTURE_NO_MAIN
// A library with other exports, but no VST entry.
extern "C" __declspec(dllexport) int FixtureWithoutEntry()
{
    return 1;
}
#else
VST2_ENTRY(FixtureMain)
{
    ::host = host;
    Log("main version %lld", static_cast<long long>(host(nullptr, vst2::hostVersion, 0, 0, nullptr, 0.0f)));
    auto *effect = new vst2::Effect{};
#if VST_FIXTURE == VST_FIXTURE_BAD_MAGIC
    effect->magic = vst2::FourCC('V', 's', 't', 'Q');
#else
    effect->magic = vst2::kEffectMagic;
#endif
    effect->dispatcher = &Dispatch;
    effect->process = &Process;
    effect->processReplacing = &Process;
    effect->numPrograms = 1;
    effect->numInputs = kInputs;
    effect->numOutputs = kOutputs;
    effect->flags = kFlags;
    effect->uniqueId = vst2::FourCC('T', 'f', 'x', static_cast<char>('0' + VST_FIXTURE));
    effect->version = 1;
    return effect;
}
#endif
