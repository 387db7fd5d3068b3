// The provider's own entry among the stream providers the sound engine
// lists: the value "Halvorin" under HKEY_LOCAL_MACHINE
// "Software\Quorvane\AudioStreamProviders", naming this module's path.
#pragma once

#include <windows.h>

namespace Halvorin {

constexpr char kProviderName[] = "Halvorin";

// S_OK, or E_FAIL.
HRESULT RegisterProvider(HMODULE module);
// S_OK when the value was deleted, E_FAIL otherwise.
HRESULT UnregisterProvider();

} // namespace Halvorin
