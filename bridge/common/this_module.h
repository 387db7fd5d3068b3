// The module whose code calls this: a plug-in library, or a test program
// that links the same code. Its resources are found there.
#pragma once

#include <windows.h>

namespace Halvorin {

inline HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

} // namespace Halvorin
