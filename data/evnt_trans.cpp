#include "data/evnt_trans.h"

#include "data/event.h"
#include "data/message_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace Quorvane {

namespace {

uint32_t pack(long b0, long b1, long b2, long b3 = 0)
{
    return static_cast<uint32_t>((b0 & 0xFF) | ((b1 & 0xFF) << 8) | ((b2 & 0xFF) << 16) |
                                 ((b3 & 0xFF) << 24));
}

long statusWithChannel(long status, long channel)
{
    if (channel >= 0 && status < 0xF0)
        return (status & 0xF0) | (channel & 0x0F);
    return status;
}

long transposed(long note, long transpose)
{
    return transpose ? std::clamp(note + transpose, 0L, 127L) : note;
}

// The order of a MIDI message at one position, as events weigh.
long midiWeight(long status, long data1, long data2)
{
    EVENT e;
    e.setNote(0, data1, data2);
    e.status = static_cast<uint8_t>(status);
    if ((status & 0xF0) == 0x80)
        return 26;
    return e.GetWeight();
}

// The plain form of new may not return null, and no exception may leave
// the library: running out of memory there ends the program.
void *allocateOrAbort(size_t size)
{
    if (void *block = MessagePool::Allocate(size))
        return block;
    std::abort();
}

} // namespace

static_assert(sizeof(CEvntTransElem) <= MessagePool::kBlockSize, "a message fills one pool block");
static_assert(sizeof(CEvntTransChain) <= MessagePool::kBlockSize, "a chain fills one pool block");

void *CMessagePoolObject::operator new(size_t size)
{
    return allocateOrAbort(size);
}

void *CMessagePoolObject::operator new(size_t size, const std::nothrow_t &) noexcept
{
    return MessagePool::Allocate(size);
}

void CMessagePoolObject::operator delete(void *block) noexcept
{
    MessagePool::Free(block);
}

void CMessagePoolObject::operator delete(void *block, const std::nothrow_t &) noexcept
{
    MessagePool::Free(block);
}

int CEvntTransElem::ReservePool(long count)
{
    return MessagePool::Reserve(count) ? 1 : 0;
}

long CEvntTransElem::GetPoolAvailable()
{
    return MessagePool::Available();
}

int CEvntTransElem::GetPoolSlabs()
{
    return MessagePool::Slabs();
}

long CEvntTransElem::GetPoolHeapFallbacks()
{
    return MessagePool::HeapFallbacks();
}

long CEvntTransElem::GetWeight()
{
    if (weight >= 0)
        return weight;
    const long status = Byte(0);
    if (status < 0xF0)
        weight = midiWeight(status, Byte(1), Byte(2));
    else if (status == MSG_CHORD)
        weight = Byte(1) == kNoChord ? 24 : 29;
    else if (status == MSG_CHORD_MIDI)
        weight = midiWeight(Byte(1), Byte(2), Byte(3));
    else if (status == MSG_TEMPO)
        weight = 3;
    else if (status == MSG_METRO)
        weight = 4;
    else
        weight = 12;
    return weight;
}

long CEvntTransElem::Compare(CChainElem *otherElem)
{
    auto *other = static_cast<CEvntTransElem *>(otherElem);
    if (sample != other->sample)
        return sample < other->sample ? -1 : 1;
    const long mine = GetWeight(), theirs = other->GetWeight();
    return (mine > theirs) - (mine < theirs);
}

void CEvntTransElem::SetNoteOn(const EVENT *e, long tickOffset, int64_t noteLength, long transpose,
                               long channel)
{
    tick = e->time + tickOffset;
    message = pack(statusWithChannel(e->status, channel), transposed(e->data1, transpose), e->data2);
    duration = e->value;
    length = noteLength;
    weight = 31;
}

void CEvntTransElem::SetNoteOff(const EVENT *e, long tickOffset, long transpose, long channel)
{
    tick = e->time + e->value + tickOffset;
    message = pack(statusWithChannel(e->status, channel), transposed(e->data1, transpose), 0);
    weight = 26;
}

void CEvntTransElem::SetMMsg(const EVENT *e, long tickOffset, long channel)
{
    tick = e->time + tickOffset;
    message = pack(statusWithChannel(e->status, channel), e->data1, e->data2);
    weight = -1;
}

void CEvntTransElem::SetMMsg(unsigned long msg, long channel)
{
    tick = -1;
    message = static_cast<uint32_t>(msg);
    message = (message & ~0xFFu) | static_cast<uint32_t>(statusWithChannel(message & 0xFF, channel));
    weight = -1;
}

void CEvntTransElem::SetNote(long note, long transpose, long velocity, long channel)
{
    tick = -1;
    message = pack(0x90 | (channel & 0x0F), transposed(note, transpose), velocity);
    weight = velocity ? 31 : 26;
}

void CEvntTransElem::SetChord(long root, long type, long transpose)
{
    tick = -1;
    root &= 0xFF;
    if (transpose && root != kNoChord)
        root = ((root + transpose) % 12 + 12) % 12;
    message = pack(MSG_CHORD, root, type);
    weight = root == kNoChord ? 24 : 29;
}

void CEvntTransElem::SetChord(const EVENT *e, long tickOffset, long transpose)
{
    SetChord(e->getChordNote(), e->getChordType(), transpose);
    tick = e->time + tickOffset;
}

void CEvntTransElem::SetChordMMSg(const EVENT *e, long tickOffset)
{
    tick = e->time + tickOffset;
    message = pack(MSG_CHORD_MIDI, e->status, e->data1, e->data2);
    weight = -1;
}

void CEvntTransElem::SetChordMMsg(unsigned long msg)
{
    tick = -1;
    message = pack(MSG_CHORD_MIDI, msg, msg >> 8, msg >> 16);
    weight = -1;
}

void CEvntTransElem::SetTempo(float qpm, float factor, long atTick)
{
    tick = atTick;
    const double value = static_cast<double>(qpm) * factor;
    const unsigned long tempo =
        value > 0 ? static_cast<unsigned long>(std::min(std::floor(value), double(kMaxTempoMessage))) : 0;
    message = MSG_TEMPO | static_cast<uint32_t>(tempo << 8);
    weight = 3;
}

void CEvntTransElem::SetTempo(const EVENT *e, float factor)
{
    SetTempo(static_cast<float>(6e7 / e->getTempoMicros()), factor, e->time);
}

void CEvntTransElem::SetMetro(int accent, long atTick)
{
    tick = atTick;
    message = pack(MSG_METRO, accent ? 1 : 0, 0);
    weight = 4;
}

CEvntTransElem *CEvntTransElem::DisconnectEvntTrans()
{
    auto *following = static_cast<CEvntTransElem *>(next);
    next = prev = nullptr;
    return following;
}

CEvntTransElem *CEvntTransChain::AddNewEvntTransElem(int64_t sample, CEvntTransChain **chain)
{
    if (!chain)
        return nullptr;
    auto *elem = new (std::nothrow) CEvntTransElem;
    if (!elem)
        return nullptr;
    elem->sample = sample;
    if (!*chain) {
        *chain = new (std::nothrow) CEvntTransChain;
        if (!*chain) {
            delete elem;
            return nullptr;
        }
    }
    (*chain)->InsertBefore(elem, nullptr);
    return elem;
}

void CEvntTransChain::EatOther(CEvntTransChain *other, int64_t offset)
{
    if (!other || other == this)
        return;
    CEvntTransElem *elem = other->GetFirstElem();
    other->first = nullptr;
    delete other;
    CChainElem *hint = first;
    while (elem) {
        CEvntTransElem *following = elem->DisconnectEvntTrans();
        elem->sample += offset;
        // With a hint an element goes behind its equals; without one (an
        // empty chain) there are none.
        InsertSort(elem, hint);
        hint = elem;
        elem = following;
    }
}

void CEvntTransChain::Dispel()
{
    first = nullptr;
    delete this;
}

} // namespace Quorvane
