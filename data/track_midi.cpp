#include "data/track_midi.h"

#include "data/lock.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_master.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace Quorvane {

// --- what the MIDI-like kinds share ---------------------------------------------

int CTrackMIDIEvents::UpdateLastTime()
{
    long end = 0;
    for (long i = 0; i < count; ++i) {
        const EVENT *e = GetEvent(i);
        end = std::max<long>(end, e->time);
        if (e->IsNote())
            end = std::max<long>(end,
                                 static_cast<long>(std::min<int64_t>(int64_t(e->time) + e->value, LONG_MAX)));
    }
    const int changed = end != lastTime;
    lastTime = end;
    return changed;
}

namespace {

enum InitialKind { BANK_MSB, BANK_LSB, VOLUME, PAN, PROGRAM, INITIAL_KINDS };

int initialKind(const EVENT *e)
{
    if (e->IsProg())
        return PROGRAM;
    if (!e->IsCtrl())
        return -1;
    switch (e->data1) {
    case 0:
        return BANK_MSB;
    case 32:
        return BANK_LSB;
    case 7:
        return VOLUME;
    case 10:
        return PAN;
    default:
        return -1;
    }
}

bool isTextAtZero(const EVENT *e, std::initializer_list<uint8_t> types)
{
    if (!e->IsLong() || e->time != 0)
        return false;
    return std::find(types.begin(), types.end(), e->status) != types.end();
}

} // namespace

int CTrackMIDIEvents::CheckInitial(int adjustChannel)
{
    bool seen[INITIAL_KINDS] = {};
    bool moved = false;
    bool named = false;
    unsigned channels = 0;
    for (long i = 0; i < GetNumb(); ++i) {
        EVENT *e = GetEvent(i);
        if (e->IsChannel())
            channels |= 1u << e->getChan();
        const int initial = initialKind(e);
        if (initial >= 0 && !seen[initial]) {
            seen[initial] = true;
            if (e->time != 0) {
                e->time = 0;
                moved = true;
            }
        }
        if (!named && isTextAtZero(e, {0x01, 0x03})) {
            char *text = nullptr;
            if (e->getText(&text) && text) {
                SetName(text);
                named = true;
            }
            std::free(text);
        }
    }
    if (moved)
        Sort();
    CheckVolPanChanged(1);
    CheckBankProgChanged(1);
    if (adjustChannel && channels && (channels & (channels - 1)) == 0) {
        long only = 0;
        while (!(channels & (1u << only)))
            ++only;
        channel = only;
    }
    if (moved)
        UpdateEdition();
    return 1;
}

int CTrackMIDIEvents::CheckForSongInfo()
{
    if (!song)
        return 1;
    for (long i = 0; i < GetNumb() && GetEvent(i)->time <= 0; ++i) {
        const EVENT *e = GetEvent(i);
        if (!isTextAtZero(e, {0x01, 0x02, 0x06}))
            continue;
        char *text = nullptr;
        if (!e->getText(&text) || !text)
            continue;
        const bool copyright = e->status == 0x02 || std::strstr(text, "Copyright") ||
                               std::strstr(text, "COPYRIGHT") || std::strstr(text, "(C)") ||
                               std::strstr(text, "(c");
        int ok = 1;
        if (copyright)
            ok = song->songInfo.SetItemText(SONGINFO_COPYRIGHT, text);
        std::free(text);
        if (copyright)
            return ok;
    }
    return 1;
}

int CTrackMIDIEvents::SetMIDIDefaults(const char *trackName)
{
    CTrack::SetDefault();
    CStructArray::Clear();
    if (!SetName(trackName))
        return 0;
    volume = -1;
    pan = -1;
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    if (!tract)
        return 0;
    PORTDESCR midiOut;
    if (song->GetDefMIDIOut(&midiOut)) {
        output = tract->GetOutByDescr(&midiOut);
        if (!output)
            output = tract->AddNewOut(&midiOut);
    }
    if (!output)
        output = tract->GetOutPreview();
    return output != nullptr;
}

// --- the MIDI track ------------------------------------------------------------

CTrackMIDI::CTrackMIDI(unsigned long trackId, CSong *owner)
    : CTrackMIDIEvents(trackId, TRACK_MIDI, owner), effects(this)
{
}

CTrackMIDI::~CTrackMIDI()
{
    // The effects go before the result they may still be writing.
    effects.Clear(nullptr);
    delete offlineResult;
}

namespace {

bool sameEvent(const EVENT &a, const EVENT &b)
{
    if (a.time != b.time || a.flags != b.flags || a.status != b.status || a.data1 != b.data1 ||
        a.data2 != b.data2 || a.length != b.length)
        return false;
    if (!a.IsLong())
        return a.value == b.value;
    return a.length <= 0 || (a.payload && b.payload && std::memcmp(a.payload, b.payload, a.length) == 0);
}

bool sameEvents(const CEventArray *a, const CEventArray *b)
{
    if (!a || !b)
        return a == b;
    if (a->GetNumb() != b->GetNumb())
        return false;
    for (long i = 0; i < a->GetNumb(); ++i) {
        if (!sameEvent(*a->GetEvent(i), *b->GetEvent(i)))
            return false;
    }
    return true;
}

// The end of offline processing: the song end, or a later selection end;
// four bars for an empty song.
long offlineEnd(CSong *song)
{
    if (!song)
        return 0;
    long end = song->songEnd;
    if (song->IsTimeSelection() && song->selectionEnd > end)
        end = song->selectionEnd;
    if (end == 0) {
        CTrackMaster *master = song->GetTrackMaster();
        end = master ? master->GetTimeFromMBT(4, 0, 0) : 4 * kBarWithoutMaster;
    }
    return end;
}

} // namespace

void CTrackMIDI::UpdateEdition()
{
    CTrack::UpdateEdition();
    if (effects.IsOnline())
        return;
    const long end = offlineEnd(song);
    effects.SetPlayState(MEFF_START, 0, end);
    CEventArray *result = effects.Process(this, 0, end);
    effects.SetPlayState(MEFF_STOP, 0, end);
    if (sameEvents(result, offlineResult)) {
        delete result;
        return;
    }
    {
        CLock lock(song ? song->GetSyncObj() : nullptr);
        std::swap(result, offlineResult);
    }
    delete result;
    if (song)
        song->SongSetModified();
}

const CEventArray *CTrackMIDI::GetPlayEvents() const
{
    return !effects.IsOnline() && offlineResult ? offlineResult : this;
}

void CTrackMIDI::OnParamChanged(void *user, long code)
{
    auto *track = static_cast<CTrackMIDI *>(user);
    if (!track || code != MEFF_PARAM_CHANGED)
        return;
    if (track->effects.IsOnline()) {
        if (track->song)
            track->song->SongSetModified();
    } else {
        track->UpdateEdition();
    }
}

int CTrackMIDI::DeleteNoteByRange(long &from, long &to, long low, long high, long margin)
{
    if (from > to)
        std::swap(from, to);
    if (low > high)
        std::swap(low, high);
    const int64_t end = int64_t(to) + margin;
    long first = LONG_MAX, last = LONG_MIN;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        if (!e->IsNote() || e->data1 < low || e->data1 > high)
            continue;
        const int64_t noteEnd = int64_t(e->time) + e->value;
        if (e->time <= end && noteEnd >= from) {
            e->SetDelt();
            first = std::min<long>(first, e->time);
            last = std::max<long>(last, static_cast<long>(std::min<int64_t>(noteEnd, LONG_MAX)));
        }
    }
    if (first == LONG_MAX)
        return 0;
    Erase();
    from = first;
    to = last;
    UpdateEdition();
    return 1;
}

} // namespace Quorvane
