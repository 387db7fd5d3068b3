// Stands in for the bridge's stream provider where the program asks it for
// a channel: it records the channel asked for and answers a host at 48 kHz
// with 128-frame blocks; channel 3 is refused.
#include <windows.h>

namespace {
int lastChannel = -1;
}

extern "C" __declspec(dllexport) int ASPHalvorinCanConnect(int channel, int *sampleRate, int *blockSize)
{
    lastChannel = channel;
    if (channel < 0 || channel > 2)
        return 0;
    *sampleRate = 48000;
    *blockSize = 128;
    return 1;
}

extern "C" __declspec(dllexport) int HalvorinStandInLastChannel()
{
    return lastChannel;
}
