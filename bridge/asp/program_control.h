// How the provider reaches the program on a channel: it launches the
// program registered under a name, and asks an attached program to let go
// through a transient named event that the program's launcher waits on.
#pragma once

namespace Halvorin {

// Asks the program attached to the channel to let go; 1 also when none is
// attached, 0 for a bad channel or when the event cannot be made.
int DisconnectProgram(int channel);

// Starts the program whose command line is registered under the name, with
// the channel's switch appended; 1 when the process was created.
int LaunchProgram(int channel, const char *name);

// For the program's side: lets go of whatever program is attached and
// gives the host's last rate and the nearest buffer size; 1, or 0 for a
// bad channel or when the disconnect event cannot be made.
int CanConnect(int channel, int *sampleRate, int *blockSize);

// The buffer size of the table 64..2048 nearest to frames (the smaller on
// equal distance).
int NearestBlockSize(int frames);

// The table of buffer sizes the program can use, smallest first.
constexpr int kBlockSizes[] = {64, 128, 256, 512, 1024, 2048};
constexpr int kBlockSizeCount = 6;

} // namespace Halvorin
