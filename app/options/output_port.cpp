#include "app/options/output_port.h"

#include "app/parts_song.h"
#include "data/io_params.h"
#include "data/lock.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"
#include "sound/ssynth_elem.h"

#include <windows.h>

#include <string>

namespace Quorvane {

namespace {

// The outputs of the program's own soft synths (the preview, chords and
// audio outputs and those named by module) name their module in their
// data.
bool namesOwnModule(const PORTDESCR &descriptor)
{
    return descriptor.kind >= OUT_PREVIEW && descriptor.kind <= OUT_BY_NAME && descriptor.data &&
           descriptor.dataSize > 0;
}

} // namespace

bool SamePort(const PORTDESCR &a, const PORTDESCR &b)
{
    if (a.IsEqual(b))
        return true;
    if (!namesOwnModule(a) || !namesOwnModule(b))
        return false;
    const std::string first(static_cast<const char *>(a.data), a.dataSize);
    const std::string second(static_cast<const char *>(b.data), b.dataSize);
    return lstrcmpiA(first.c_str(), second.c_str()) == 0;
}

OutputChange ReplacePartsOutput(CSong &song, const PORTDESCR &chosen)
{
    OutputChange change;
    IQuorvaneSongTract *tract = song.songTract;
    CTrackMIDI *first = PartTrack(song, 0);
    if (!tract || !first)
        return change;
    void *old = first->output;
    PORTDESCR present;
    if (old && tract->GetOutDescr(old, &present, 0) && SamePort(present, chosen)) {
        change.audio = tract->GetOutType(old) != kOutputWithoutAudio;
        return change;
    }
    PORTDESCR copy(chosen);
    void *added = tract->AddNewOut(&copy);
    if (!added) {
        change.refused = true;
        return change;
    }
    change.output = added;
    change.changed = true;
    change.audio = tract->GetOutType(added) != kOutputWithoutAudio;
    // The render thread reads the tracks' outputs under the song mutex; the
    // new output was no track's until now.
    {
        CLock lock(song.GetSyncObj(), 1);
        for (int part = 0; part < kPartCount; ++part)
            if (CTrackMIDI *track = PartTrack(song, part)) {
                track->output = added;
                track->UpdateEdition();
            }
    }
    // Without the mutex: the old output's module is freed after it.
    if (old && old != added && old != tract->GetNextOut(nullptr))
        song.DeleteOutPort(old);
    return change;
}

} // namespace Quorvane
