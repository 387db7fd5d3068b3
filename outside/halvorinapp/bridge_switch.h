// The switch with which the bridge's stream provider starts the program for
// one of its channels.
#pragma once

namespace Quorvane {

// The provider writes channel + 1 behind it.
constexpr const char kBridgeSwitch[] = "-halvorin:channel:";
constexpr long kBridgeChannels = 4;

// The channel 0..3 that the command line's switch names, or -1 when it has
// none, or a number that names no channel.
long ParseBridgeChannel(const char *commandLine);

} // namespace Quorvane
