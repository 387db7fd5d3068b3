// A Windows MIDI output device as a port that takes SysEx: each message is
// sent whole on a handle opened for it, so no device stays held between
// messages.
#pragma once

#include "data/sound_interfaces.h"

#include <windows.h>

namespace velmarin {

class SysExPort final : public Quorvane::ISysExPort {
public:
    void SetDevice(UINT id) { device = id; }
    // Returns once the device has taken the bytes (or after a time-out,
    // which fails); flags must be 0.
    int SendSysEx(long flags, const unsigned char *data, long length) override;

private:
    UINT device = 0;
};

} // namespace velmarin
