// What the Stavrund library exports. It is linked statically for now; the
// DLL build defines STAVRUND_BUILD_DLL and the modules that use the DLL
// define STAVRUND_USE_DLL.
#pragma once

#if defined(STAVRUND_BUILD_DLL)
#define STAVRUND_API __declspec(dllexport)
#elif defined(STAVRUND_USE_DLL)
#define STAVRUND_API __declspec(dllimport)
#else
#define STAVRUND_API
#endif
