// The song's list of SysEx messages, each with a name and the output it is
// sent to.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

namespace Quorvane {

class IQuorvaneSongTract;

struct CORVADEL_API SYSEX : public STRUCTELEM {
    void Clear() override;
    void Spoil() override;
    // Replace the name or message bytes with copies; 0 when memory runs out.
    int SetName(const char *text);
    int SetData(const void *bytes, long size);
    // 1 when name, ports, mute or message differ.
    int IsDifferent(const SYSEX &other) const;

    char *name = nullptr;
    void *port = nullptr; // the song tract's output
    long port2 = 0;
    unsigned char *data = nullptr;
    long length = 0;
    // Not sent while set.
    long muted = 0;
};

class CORVADEL_API CSysEx : public CStructArray {
public:
    CSysEx() : CStructArray(sizeof(SYSEX), 8) {}
    SYSEX *GetAt(long index) const
    {
        return (index >= 0 && index < count) ? static_cast<SYSEX *>(GetElementAt(index)) : nullptr;
    }
    // Appends an entry, which gives up what it owns.
    int Add(SYSEX &entry) { return Insert(count, 1, &entry); }
    // The entries from..to (indexes, both included) whose output is not a
    // MIDI output of the tract get its first MIDI output (or none); 1 when
    // any changed.
    int CheckPorts(IQuorvaneSongTract *tract, long from, long to);
};

} // namespace Quorvane
