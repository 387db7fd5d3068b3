// How instances of one program find each other: the first to start marks
// itself the running instance; a later one started by the bridge leaves the
// channel in a shared cell and signals the running instance, which takes it.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

class InstanceLink {
public:
    explicit InstanceLink(const std::string &title);
    ~InstanceLink();
    InstanceLink(const InstanceLink &) = delete;
    InstanceLink &operator=(const InstanceLink &) = delete;

    // Marks this process the running instance unless one already is; true
    // when it now is.
    bool becomeRunningInstance();
    // Leaves the channel for the running instance and waits up to timeout
    // for it to be taken; false (and the cell emptied again) when nobody
    // took it, and at once when the running instance is attached itself.
    bool handOver(long channel, DWORD timeout);
    // The channel left for this instance, or -1; the cell is emptied.
    long takeChannel();
    // Set when a channel was left; only the running instance has it.
    HANDLE handOverEvent() const { return handOverEvent_; }
    // The running instance says whether it streams for the bridge.
    void setAttached(bool attached);
    // No longer the running instance: later processes run themselves.
    void retire();

private:
    struct Cell {
        volatile LONG channel;  // -1: empty
        volatile LONG attached; // the running instance streams for the bridge
    };
    bool openCell();

    std::string prefix_;
    HANDLE marker_ = nullptr;
    HANDLE mapping_ = nullptr;
    Cell *cell_ = nullptr;
    HANDLE handOverEvent_ = nullptr;
    bool running_ = false;
};

} // namespace Quorvane
