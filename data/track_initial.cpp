// A track's initial state: the bank, program, volume and pan kept both as
// fields and as channel messages at tick 0, kept in step in either
// direction, and sent to the output at once. Also the previews.
#include "data/track.h"

#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/sound_interfaces.h"

namespace Quorvane {

namespace {

enum : long {
    CTRL_BANK_MSB = 0,
    CTRL_VOLUME = 7,
    CTRL_PAN = 10,
    CTRL_BANK_LSB = 32,
    CTRL_ALL_NOTES_OFF = 123
};

// A program change (controller < 0) or a controller at tick 0.
bool isInitial(const EVENT *e, long controller)
{
    if (e->time != 0 || e->IsDelt())
        return false;
    return controller < 0 ? e->IsProg() : e->IsCtrl(controller);
}

long findInitial(const CTrack &track, long controller)
{
    for (long i = 0; i < track.GetNumb() && track.GetEvent(i)->time <= 0; ++i) {
        if (isInitial(track.GetEvent(i), controller))
            return i;
    }
    return -1;
}

// The value the tick-0 event gives (-1 when there is none).
long readInitial(const CTrack &track, long controller)
{
    const long i = findInitial(track, controller);
    if (i < 0)
        return -1;
    const EVENT *e = track.GetEvent(i);
    return controller < 0 ? e->getProg() : e->getCtrlVal();
}

struct Writer {
    CTrack &track;
    bool inserted = false;
    bool erased = false;
    int changed = 0;

    // Makes the tick-0 event say value: updated, inserted or (for a
    // negative value) marked for erasing.
    void write(long controller, long value)
    {
        const long i = findInitial(track, controller);
        if (value < 0) {
            if (i >= 0) {
                track.GetEvent(i)->SetDelt();
                erased = true;
                changed = 1;
            }
            return;
        }
        const uint8_t byte = static_cast<uint8_t>(value & 0x7F);
        if (i >= 0) {
            EVENT *e = track.GetEvent(i);
            uint8_t &field = controller < 0 ? e->data1 : e->data2;
            if (field != byte) {
                field = byte;
                changed = 1;
            }
            return;
        }
        EVENT e;
        if (controller < 0)
            e.setProg(track.GetTrackChan(), byte);
        else
            e.setCtrl(track.GetTrackChan(), controller, byte);
        if (track.AddToTail(&e, 1)) {
            inserted = true;
            changed = 1;
        }
    }
    int finish()
    {
        if (erased)
            track.Erase();
        if (inserted)
            track.Sort();
        if (changed)
            track.UpdateEdition();
        return changed;
    }
};

int assign(long &field, long value)
{
    if (field == value)
        return 0;
    field = value;
    return 1;
}

} // namespace

int CTrack::CheckVolPanChanged(int fromEvents)
{
    if (fromEvents)
        return assign(volume, readInitial(*this, CTRL_VOLUME)) | assign(pan, readInitial(*this, CTRL_PAN));
    Writer writer{*this};
    writer.write(CTRL_VOLUME, volume);
    writer.write(CTRL_PAN, pan);
    return writer.finish();
}

int CTrack::CheckBankProgChanged(int fromEvents)
{
    if (fromEvents) {
        int changed = assign(program, readInitial(*this, -1));
        const long msb = readInitial(*this, CTRL_BANK_MSB);
        const long lsb = readInitial(*this, CTRL_BANK_LSB);
        if (msb >= 0 && lsb >= 0)
            changed |= assign(bank, msb * 128 + lsb) | assign(bankMode, 0);
        else if (msb >= 0)
            changed |= assign(bank, msb) | assign(bankMode, 1);
        else if (lsb >= 0)
            changed |= assign(bank, lsb) | assign(bankMode, 2);
        return changed;
    }
    Writer writer{*this};
    writer.write(-1, program);
    if (bank >= 0) {
        switch (bankMode) {
        case 0:
            writer.write(CTRL_BANK_MSB, bank >> 7);
            writer.write(CTRL_BANK_LSB, bank & 0x7F);
            break;
        case 1:
            writer.write(CTRL_BANK_MSB, bank & 0x7F);
            writer.write(CTRL_BANK_LSB, -1);
            break;
        case 2:
            writer.write(CTRL_BANK_MSB, -1);
            writer.write(CTRL_BANK_LSB, bank & 0x7F);
            break;
        default:
            break;
        }
    }
    return writer.finish();
}

namespace {

// Messages packed as status | data1 << 8 | data2 << 16.
unsigned long packed(unsigned long status, long data1, long data2)
{
    return status | (static_cast<unsigned long>(data1 & 0x7F) << 8) |
           (static_cast<unsigned long>(data2 & 0x7F) << 16);
}

bool portsUsable(CSong *song)
{
    IQuorvaneSoundMngr *manager = song ? song->GetSoundMngr() : nullptr;
    return song && song->GetSongTract() && manager && manager->CanUsePorts(song);
}

} // namespace

int CTrack::SendInitialToPort(unsigned long what)
{
    if (!output || kind == TRACK_MASTER || !portsUsable(song))
        return 0;
    // Added at the head: the last added goes out first, so bank selects
    // are added last.
    unsigned long messages[5];
    int n = 0;
    if ((what & SEND_PAN) && pan >= 0)
        messages[n++] = packed(0xB0, CTRL_PAN, pan);
    if ((what & SEND_VOLUME) && volume >= 0)
        messages[n++] = packed(0xB0, CTRL_VOLUME, volume);
    if ((what & SEND_PROGRAM) && program >= 0)
        messages[n++] = packed(0xC0, program, 0);
    if ((what & SEND_BANK) && bank >= 0) {
        if (bankMode == 0) {
            messages[n++] = packed(0xB0, CTRL_BANK_LSB, bank & 0x7F);
            messages[n++] = packed(0xB0, CTRL_BANK_MSB, bank >> 7);
        } else if (bankMode == 1) {
            messages[n++] = packed(0xB0, CTRL_BANK_MSB, bank & 0x7F);
        } else if (bankMode == 2) {
            messages[n++] = packed(0xB0, CTRL_BANK_LSB, bank & 0x7F);
        }
    }
    if (n == 0)
        return 0;
    CEvntTransChain *chain = nullptr;
    for (int i = 0; i < n; ++i) {
        CEvntTransElem *elem = CEvntTransChain::AddNewEvntTransElem(0, &chain);
        if (!elem)
            break;
        elem->SetMMsg(messages[i], GetTrackChan());
    }
    if (!chain)
        return 0;
    song->GetSongTract()->InsertEvents(output, chain);
    return 1;
}

void CTrack::PreviewNote(long note)
{
    if (!output || !portsUsable(song))
        return;
    const long channel = GetTrackChan();
    CEvntTransChain *chain = nullptr;
    const int64_t offLength = static_cast<int64_t>(UsableSampleRate(song->GetSPS())) * 300 / 1000;
    CEvntTransElem *off = CEvntTransChain::AddNewEvntTransElem(offLength, &chain);
    CEvntTransElem *on = off ? CEvntTransChain::AddNewEvntTransElem(0, &chain) : nullptr;
    CEvntTransElem *silence = on ? CEvntTransChain::AddNewEvntTransElem(0, &chain) : nullptr;
    if (!silence) {
        delete chain;
        return;
    }
    off->SetNote(note, transpose, 0, channel);
    on->SetNote(note, transpose, 100, channel);
    silence->SetMMsg(packed(0xB0, CTRL_ALL_NOTES_OFF, 127), channel);
    song->GetSongTract()->InsertEvents(output, chain);
}

void CTrack::PreviewChord(long root, long type)
{
    IQuorvaneSongTract *tract = song ? song->GetSongTract() : nullptr;
    if (!tract)
        return;
    void *target = output && tract->GetOutType(output) == 0 ? output : tract->GetOutPreview();
    if (!target)
        return;
    CEvntTransChain *chain = nullptr;
    CEvntTransElem *chord = CEvntTransChain::AddNewEvntTransElem(0, &chain);
    CEvntTransElem *silence = chord ? CEvntTransChain::AddNewEvntTransElem(0, &chain) : nullptr;
    if (!silence) {
        delete chain;
        return;
    }
    chord->SetChord(root, type, transpose);
    silence->SetChordMMsg(packed(0xB0, CTRL_ALL_NOTES_OFF, 127));
    tract->InsertEvents(target, chain);
}

} // namespace Quorvane
