// Output sharing while a song-tract template or an output preset is loaded
// into a song that has outputs already: a loaded output claims an equal
// existing one instead of opening the same device twice, and at the end the
// outputs nobody claimed go, their tracks moved to an equal claimed output
// or to the preview output.
#pragma once

#include "data/io_params.h"
#include "data/struct_array.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CSong;

struct STAVRUND_API PORTSHARING : public STRUCTELEM {
    void Clear() override;
    void Spoil() override;

    void *out = nullptr;
    PORTDESCR descr;
    int existed = 0;
    int claimed = 0;
};

// Exported for users of the library; nothing here uses it.
struct STAVRUND_API TRACKSHARING : public STRUCTELEM {
    TRACKSHARING() = default;
    TRACKSHARING(const TRACKSHARING &) = default;
    TRACKSHARING &operator=(const TRACKSHARING &) = default;
    uint32_t value = 0;
};

// Descriptor kind of an audio track's output: never created, moved or
// deleted by the sharing.
constexpr long kAudioOutKind = 2;

class STAVRUND_API COutSharing : public CStructArray {
public:
    // Lists the song tract's outputs; ok = 0 when one could not be described.
    COutSharing(CSong *song, int &ok);

    // Gives the loaded descriptor an output (an equal unclaimed one, or a new
    // one) and connects it to the bus; the descriptor may be emptied.
    int ProcessOut(PORTDESCR *descriptor, long bus);
    // Moves tracks off the outputs nobody claimed and deletes those (never
    // the preview output); 0 on failure.
    int Commit();
    // The output the last ProcessOut gave (null for a descriptor of kind 2
    // or a failure).
    void *LastOut() const { return lastOut; }

    PORTSHARING *GetAt(long index) const { return static_cast<PORTSHARING *>(GetElementAt(index)); }

    CSong *song;

private:
    void *lastOut = nullptr;
    long find(void *out) const;
};

} // namespace Quorvane
