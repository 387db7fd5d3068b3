#include "data/sysex.h"

#include "data/sound_interfaces.h"
#include "data/strings.h"

#include <cstdlib>
#include <cstring>

namespace Quorvane {

void SYSEX::Clear()
{
    std::free(name);
    std::free(data);
    Spoil();
}

void SYSEX::Spoil()
{
    name = nullptr;
    data = nullptr;
    length = 0;
}

int SYSEX::SetName(const char *text)
{
    std::free(name);
    name = CreateString(text);
    return name != nullptr || LengthString(text) == 0;
}

int SYSEX::SetData(const void *bytes, long size)
{
    std::free(data);
    data = nullptr;
    length = 0;
    if (!bytes || size <= 0)
        return 1;
    data = static_cast<unsigned char *>(std::malloc(size));
    if (!data)
        return 0;
    std::memcpy(data, bytes, size);
    length = size;
    return 1;
}

int SYSEX::IsDifferent(const SYSEX &other) const
{
    if (CompareStringA(name, other.name) != 0 || port != other.port || port2 != other.port2 ||
        muted != other.muted || length != other.length)
        return 1;
    return length > 0 && std::memcmp(data, other.data, length) != 0;
}

// The tract's type of a MIDI output.
constexpr long kMIDIOutput = 7;

int CSysEx::CheckPorts(IQuorvaneSongTract *tract, long from, long to)
{
    if (!tract)
        return 0;
    void *firstMIDI = nullptr;
    for (void *out = tract->GetNextOut(nullptr); out && !firstMIDI; out = tract->GetNextOut(out)) {
        if (tract->GetOutType(out) == kMIDIOutput)
            firstMIDI = out;
    }
    int changed = 0;
    for (long i = from < 0 ? 0 : from; i <= to && i < count; ++i) {
        SYSEX *entry = GetAt(i);
        if (entry->port && tract->GetOutType(entry->port) == kMIDIOutput)
            continue;
        if (entry->port != firstMIDI) {
            entry->port = firstMIDI;
            changed = 1;
        }
    }
    return changed;
}

} // namespace Quorvane
