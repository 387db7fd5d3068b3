// QN3_HalvorinVSTi: the VST 2 entry "main", exported a second time as
// "VSTPluginMain" (qn3_halvorin_vsti.def) for the hosts that look for that.
#include "bridge/vst/bridge_vst_effect.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

VST2_ENTRY(HalvorinVstMain)
{
    return Halvorin::CBridgeVstEffect::Create(host);
}
