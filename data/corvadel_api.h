// What Corvadel exports: every class and function of the song data model is
// reached by other modules through this one macro.
#pragma once

#ifdef CORVADEL_BUILD
#define CORVADEL_API __declspec(dllexport)
#else
#define CORVADEL_API __declspec(dllimport)
#endif
