// The MIDI output ports, as the MIDI output module beside the program lists
// them.
#include "sound/equipment/equipment_sources.h"
#include "sound/soft_synth.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace Quorvane {

namespace {

constexpr char kMidiModule[] = "Velmarin.dll";
constexpr int kOutputs = 1;
// A module that never ends its list stops here.
constexpr long kMaxPorts = 4096;

using GetMIDIPortNameProc = char *(*)(int direction, long index);

// "<folder of the program>\Velmarin.dll", empty when the path does not fit.
std::string MidiModulePath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + kMidiModule;
}

} // namespace

bool ListMidiPorts(PortList &list)
{
    const std::string path = MidiModulePath();
    HMODULE module = path.empty() ? nullptr : LoadLibraryA(path.c_str());
    if (!module)
        return false;
    bool ok = true;
    auto portName = reinterpret_cast<GetMIDIPortNameProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "GetMIDIPortName")));
    for (long index = 0; portName && ok && index < kMaxPorts; ++index) {
        const char *port = portName(kOutputs, index);
        if (!port)
            break;
        // Port names go into the engine's name buffers later.
        const std::string name(port, strnlen(port, kSoundNameSize - 1));
        if (!name.empty())
            ok = list.Add(name.c_str(), ENUM_OUT_MIDI, name.c_str());
    }
    FreeLibrary(module);
    return ok;
}

} // namespace Quorvane
