// What Tindrel exports: the sound manager, the song tract's classes and the
// sound functions and tables reach other modules through this one macro.
#pragma once

#ifdef TINDREL_BUILD
#define TINDREL_API __declspec(dllexport)
#else
#define TINDREL_API __declspec(dllimport)
#endif
