#include "sound/equipment/vst_plugin_check.h"

#include "platform/vst2/vst2.h"
#include "sound/equipment/plugin_guard.h"
#include "sound/equipment/port_enum.h"
#include "sound/equipment/vst_scan_host.h"

#include <windows.h>

namespace Quorvane {

namespace {

// The bridge's own plug-in answers this question with kBridgeAnswer.
constexpr char kBridgeQuestion[] = "isQuorvaneHalvorin";
constexpr intptr_t kBridgeAnswer = vst2::FourCC('q', 'v', 'H', 'V');

// What the guarded run learns; kept outside its frame, which a crash
// abandons.
struct OpenRun {
    vst2::EntryProc entry = nullptr;
    bool isPlugin = false;
    bool isBridge = false;
    int32_t flags = 0;
    int32_t inputs = 0;
    int32_t outputs = 0;
};

void OpenAndClose(void *context)
{
    auto *run = static_cast<OpenRun *>(context);
    vst2::Effect *effect = run->entry(&ScanHostCallback);
    if (!effect || effect->magic != vst2::kEffectMagic || !effect->dispatcher)
        return;
    run->isPlugin = true;
    const vst2::DispatcherProc dispatch = effect->dispatcher;
    dispatch(effect, vst2::effIdentify, 0, 0, nullptr, 0.0f);
    dispatch(effect, vst2::effSetSampleRate, 0, 0, nullptr, kScanSampleRate);
    dispatch(effect, vst2::effSetBlockSize, 0, kScanBlockSize, nullptr, 0.0f);
    dispatch(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);
    char question[] = "isQuorvaneHalvorin";
    static_assert(sizeof question == sizeof kBridgeQuestion);
    run->isBridge = dispatch(effect, vst2::effCanDo, 0, 0, question, 0.0f) == kBridgeAnswer;
    run->flags = effect->flags;
    run->inputs = effect->numInputs;
    run->outputs = effect->numOutputs;
    dispatch(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
}

} // namespace

bool HasVstEntry(const std::string &path)
{
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module)
        return false;
    const bool found = GetProcAddress(module, vst2::kEntryName) != nullptr;
    FreeLibrary(module);
    return found;
}

VstPluginCheck CheckVstPlugin(const std::string &path)
{
    VstPluginCheck check;
    // The plug-in's own libraries are found beside it.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return check;
    OpenRun run;
    run.entry = reinterpret_cast<vst2::EntryProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, vst2::kEntryName)));
    if (!run.entry) {
        FreeLibrary(module);
        return check;
    }
    switch (RunGuarded(&OpenAndClose, &run)) {
    case GuardedRun::Crashed:
        // Its code stopped halfway: running its unload code is not safe.
        check.verdict = VST_CRUSHED;
        return check;
    case GuardedRun::Threw:
        check.verdict = VST_CRUSHED;
        break;
    case GuardedRun::Returned:
        if (run.isPlugin && !run.isBridge)
            check.verdict = (run.flags & vst2::effFlagsIsSynth) ? VST_INSTRUMENT : VST_EFFECT;
        check.flags = run.flags;
        check.inputs = run.inputs;
        check.outputs = run.outputs;
        break;
    }
    FreeLibrary(module);
    return check;
}

bool IsWantedVstPlugin(const VstPluginCheck &check, long kind)
{
    if (check.verdict != VST_INSTRUMENT && check.verdict != VST_EFFECT)
        return false;
    const bool instrument = (check.flags & vst2::effFlagsIsSynth) != 0;
    if (kind == ENUM_OUT_VST)
        return instrument;
    return !instrument && check.inputs >= 2 && check.outputs >= 2;
}

} // namespace Quorvane
