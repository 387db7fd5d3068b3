#include "data/track.h"

#include "data/evnt_trans.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/strings.h"
#include "data/tick_scale.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Quorvane {

CTrack::CTrack(unsigned long trackId, long trackKind, CSong *owner)
    : id(trackId), kind(trackKind), song(owner)
{
}

CTrack::~CTrack()
{
    std::free(name);
}

long CTrack::Compare(CChainElem *other)
{
    const unsigned long otherId = static_cast<CTrack *>(other)->id;
    return (id > otherId) - (id < otherId);
}

void CTrack::GoToTimePlay(long tick, CEventArray *events)
{
    const CEventArray *source = events ? events : this;
    long low = 0, high = source->GetNumb();
    while (low < high) {
        const long middle = (low + high) / 2;
        if (source->GetEvent(middle)->time < tick)
            low = middle + 1;
        else
            high = middle;
    }
    playCursor = low;
    cachedEdition = edition;
}

int CTrack::SetDefault()
{
    std::free(name);
    name = nullptr;
    flags = 0;
    output = nullptr;
    channel = -1;
    bank = -1;
    bankMode = 0;
    program = -1;
    volume = 100;
    pan = 64;
    transpose = 0;
    timeOffset = 0;
    return 1;
}

int CTrack::UpdateLastTime()
{
    const long end = count ? GetEvent(count - 1)->time : 0;
    const int changed = end != lastTime;
    lastTime = end;
    return changed;
}

int CTrack::CheckInitial(int)
{
    return 1;
}

int CTrack::CheckForSongInfo()
{
    return 1;
}

int CTrack::ChangeTimebase(long oldBase, long newBase)
{
    if (oldBase <= 0 || newBase <= 0)
        return 0;
    for (long i = 0; i < count; ++i) {
        EVENT *e = GetEvent(i);
        e->time = ScaleTicks(e->time, newBase, oldBase);
        if (e->IsNote())
            e->value = std::max<int32_t>(1, ScaleTicks(e->value, newBase, oldBase));
    }
    UpdateEdition();
    return 1;
}

int CTrack::ChangeSPS(long, long)
{
    return 1;
}

namespace {

IQuorvaneSongTract *tractOf(CSong *song)
{
    return song ? song->GetSongTract() : nullptr;
}

int numberText(char *text, long number)
{
    if (text)
        std::sprintf(text, "%i", static_cast<int>(number));
    return 0;
}

} // namespace

int CTrack::IsBanksEnumed()
{
    IQuorvaneSongTract *tract = tractOf(song);
    return tract && output && tract->IsBanksEnumed(output);
}

int CTrack::IsNotesEnumed()
{
    IQuorvaneSongTract *tract = tractOf(song);
    return tract && output && tract->IsNotesEnumed(output, GetTrackChan(), bank, program);
}

int CTrack::EnumBanks(long index, char *text, long &number)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (tract && output && tract->EnumBanks(output, index, text, number))
        return 1;
    return numberText(text, index);
}

int CTrack::StringBank(char *text, long number)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (tract && output && tract->StringBank(output, text, number))
        return 1;
    return numberText(text, number);
}

int CTrack::StringProg(char *text, long bankNumber, long programNumber)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (tract && output && tract->StringProg(output, text, bankNumber, programNumber))
        return 1;
    return numberText(text, programNumber);
}

int CTrack::StringCtrl(char *text, long controller)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (tract && output && tract->StringCtrl(output, text, controller))
        return 1;
    return numberText(text, controller);
}

int CTrack::StringNote(char *text, long note)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (tract && output && tract->StringNote(output, text, GetTrackChan(), bank, program, note))
        return 1;
    return numberText(text, note);
}

void CTrack::OnStopPlayback() {}

void CTrack::AskPlayback(ASKPLAYBACK *) {}

int CTrack::SetName(const char *text, long length)
{
    std::free(name);
    name = CreateString(text, length);
    return name != nullptr || LengthString(text) == 0 || length == 0;
}

void CTrack::PreviewMMsg(unsigned long message)
{
    IQuorvaneSongTract *tract = tractOf(song);
    if (!tract || !output)
        return;
    const unsigned long status = message & 0xF0;
    if ((status == 0x80 || status == 0x90) && transpose) {
        long note = static_cast<long>((message >> 8) & 0x7F) + transpose;
        while (note < 0)
            note += 12;
        while (note > 127)
            note -= 12;
        message = (message & ~0xFF00ul) | (static_cast<unsigned long>(note) << 8);
    }
    CEvntTransChain *chain = nullptr;
    CEvntTransElem *elem = CEvntTransChain::AddNewEvntTransElem(0, &chain);
    if (!elem)
        return;
    elem->SetMMsg(message, GetTrackChan());
    tract->InsertEvents(output, chain);
}

} // namespace Quorvane
