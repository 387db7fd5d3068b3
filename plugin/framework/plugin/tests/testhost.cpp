// A stand-in for a host program module: tests lay out host data in its
// memory and point a build row at it, and its two routines record their
// calls.
#include <windows.h>

#include <cstdint>

extern "C" {

__declspec(dllexport) alignas(16) unsigned char testhost_memory[65536];

__declspec(dllexport) void *testhost_lastDocument = nullptr;
__declspec(dllexport) int32_t testhost_lastNow = -1;
__declspec(dllexport) void *testhost_lastTrack = nullptr;
__declspec(dllexport) uint32_t testhost_lastMessage = 0;

__declspec(dllexport) void testhost_setNow(void *document, int32_t ticks)
{
    testhost_lastDocument = document;
    testhost_lastNow = ticks;
}

__declspec(dllexport) void testhost_sendShort(void *track, uint32_t message)
{
    testhost_lastTrack = track;
    testhost_lastMessage = message;
}
}
