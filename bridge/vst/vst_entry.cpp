// QN3_HalvorinVSTi: the VST 2 entry "main".
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
