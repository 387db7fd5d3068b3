// What HalvorinApp exports: its one class reaches the program through this
// macro.
#pragma once

#ifdef HALVORINAPP_BUILD
#define HALVORINAPP_API __declspec(dllexport)
#else
#define HALVORINAPP_API __declspec(dllimport)
#endif
