// The audio streaming dialog: the registered stream providers (all but the
// bridge's own, which only the bridge chooses) by product name, and the
// chosen provider's own settings page shown inside the dialog.
#pragma once

#include "data/io_params.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Quorvane {

struct StreamProviderEntry {
    long index; // the provider's position among the registered ones
    std::string name;
};

// Every registered provider except "Halvorin" (in any case), in order.
std::vector<StreamProviderEntry> ListedStreamProviders();

// What the I/O parameters keep of the stream.
struct StreamSettings {
    long provider = 0;
    long port = 0;
    long sampleRate = 0;
    long bitsPerSample = 0;
    long bufferFrames = 0;
};

// What the I/O parameters keep of the stream, and the stream's settings put
// into them.
StreamSettings StreamSettingsOf(const IOPARAMS &params);
void ApplyStreamSettings(const StreamSettings &settings, IOPARAMS &params);

// The modal dialog, the current provider selected and its page showing the
// settings; choosing another provider starts it with no port and no sample
// format. True on OK with what the provider's page holds.
bool RunAudioStreamDialog(HWND owner, StreamSettings &settings);

} // namespace Quorvane
