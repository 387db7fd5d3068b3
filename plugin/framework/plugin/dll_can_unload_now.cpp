// The unload test every plug-in module exports: no live object, no lock.
#include "plugin/framework/plugin/com_object.h"

#include <objbase.h>

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return Quorvane::com::canUnloadModule() ? S_OK : S_FALSE;
}
