// What Pannikel exports: the drawing kit's types, shared objects, colours and
// functions (and later the song editor windows) reach other modules through
// this one macro, data included.
#pragma once

#ifdef PANNIKEL_BUILD
#define PANNIKEL_API __declspec(dllexport)
#else
#define PANNIKEL_API __declspec(dllimport)
#endif
