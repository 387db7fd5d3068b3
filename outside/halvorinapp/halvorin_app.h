// The program's launch library for the host bridge. The bridge's stream
// provider starts the program with the switch " -halvorin:channel:N" (N the
// channel + 1) when a host plug-in wants it on that channel. The library
// reads that switch, hands the channel to an instance of the program that
// already runs (this process then ends), points the program's I/O
// parameters at the bridge's provider and channel, and calls the program
// back when a handed-over channel arrives or the bridge lets go of it.
//
// Instances of one program meet through objects named after its title: the
// running instance's marker, a hand-over cell and its event. The bridge
// asks the program that streams on a channel to let go through the event
// "<title>_DCNT" (the title is the name the program opens the provider
// with).
#pragma once

#include "outside/halvorinapp/halvorin_app_api.h"

#include <basetsd.h>

namespace Quorvane {

struct IOPARAMS;

// A channel 0..3 was handed over: the program stops its engine, calls
// CheckIOParams with the channel and starts again.
using BridgeParamsChangedProc = void (*)(ULONG_PTR user, long channel);
// The bridge let go: the program returns to its own stream provider.
using BridgeReleasedProc = void (*)(ULONG_PTR user);

class HALVORINAPP_API CHalvorinApp {
public:
    explicit CHalvorinApp(const char *title);
    ~CHalvorinApp();
    CHalvorinApp(const CHalvorinApp &) = delete;
    CHalvorinApp &operator=(const CHalvorinApp &) = delete;

    // 0 when this process must not go on: it carried the bridge switch and
    // a running instance of the program took the channel over. Otherwise
    // 1; with a valid switch this process runs attached to that channel.
    int LaunchApp(const char *commandLine);
    // Attached (or given a channel 0..3), points the record at the bridge's
    // provider and channel with the host's rate, the nearest block size and
    // float samples; 1 when the record was adapted, 0 when it was left as it
    // is (not attached, or no bridge provider registered). channel -1 means
    // the channel this process is attached to.
    int CheckIOParams(IOPARAMS *params, long channel);
    // Calls come on the thread that set them, through its message loop;
    // nulls stop them. News that came before the first setting are
    // delivered then.
    void SetCallback(BridgeParamsChangedProc changed, BridgeReleasedProc released, ULONG_PTR user);
    // Whether the program runs attached to a channel of the bridge.
    int IsAttached() const;
    // The channel 0..3, or -1.
    long GetChannel() const;

private:
    struct State;
    State *state;
};

} // namespace Quorvane
