// A bridge plug-in's hold on the stream provider: the module registered as
// the stream provider "Halvorin", its "ASPHalvorinRequest" entry and the
// channel the plug-in claimed through it.
#pragma once

#include "bridge/asp/halvorin_request.h"

#include <windows.h>

namespace Halvorin {

class HalvorinConnection {
public:
    HalvorinConnection() = default;
    ~HalvorinConnection();
    HalvorinConnection(const HalvorinConnection &) = delete;
    HalvorinConnection &operator=(const HalvorinConnection &) = delete;

    // Loads the provider and claims a channel; false, with nothing kept,
    // when the provider is not registered, does not load or has no free
    // channel.
    bool Connect();
    // Lets go of the channel and frees the module.
    void Disconnect();

    bool Connected() const { return request_ != nullptr; }
    // The claimed channel, -1 without one.
    int Channel() const { return channel_; }
    // An operation on the claimed channel; 0 without a provider.
    int Request(int op, void *data) const { return request_ ? request_(channel_, op, data) : 0; }

private:
    HMODULE module_ = nullptr;
    RequestProc request_ = nullptr;
    int channel_ = -1;
};

} // namespace Halvorin
