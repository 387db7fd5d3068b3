#include "plugin/framework/drums/output_event.h"

namespace Quorvane {

MfxEvent toMfxEvent(const CMidiTrack::Event &event, uint8_t port)
{
    MfxEvent out{};
    out.time = event.time;
    out.port = port;
    out.channel = event.channel;
    out.kind = event.kind;
    out.note = event.data1;
    out.velocity = event.data2;
    out.releaseVelocity = event.flags2;
    out.duration = event.duration;
    return out;
}

MfxEvent toOutputEvent(const CMidiTrack::Event &event, int32_t port, int32_t channel,
                       const OutputVelocityDynamics &dynamics)
{
    MfxEvent out = toMfxEvent(event, static_cast<uint8_t>(port));
    if (channel != -1 && event.kind >= MfxNote && event.kind <= MfxWheel)
        out.channel = static_cast<uint8_t>(channel);
    if (event.kind == MfxNote)
        out.velocity = static_cast<uint8_t>(dynamics.apply(event.data2));
    return out;
}

} // namespace Quorvane
