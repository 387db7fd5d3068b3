// What a drummer hands its host for an event it plays.
#pragma once

#include "plugin/framework/drums/output_velocity_dynamics.h"
#include "plugin/framework/mfx/mfx_event.h"
#include "plugin/framework/midi/midi_track.h"

#include <cstdint>

namespace Quorvane {

// A track event as the host's event record, on the given output port.
MfxEvent toMfxEvent(const CMidiTrack::Event &event, uint8_t port);

// The event as the drummer's output stage sends it: on the output port, on
// the output channel unless that is -1 (channel messages only), and a
// note's velocity through the output velocity dynamics.
MfxEvent toOutputEvent(const CMidiTrack::Event &event, int32_t port, int32_t channel,
                       const OutputVelocityDynamics &dynamics);

} // namespace Quorvane
