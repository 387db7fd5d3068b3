#include "data/smf.h"

#include "data/song.h"
#include "data/storage.h"
#include "data/tick_scale.h"
#include "data/track_midi.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <new>
#include <utility>

namespace Quorvane {

namespace {

// Bytes of a system message by its status; 0 for a status no message has.
int systemMessageLength(uint8_t status)
{
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF:
        return 1;
    default:
        return 0;
    }
}

int putBigEndian32(CStorage *storage, uint32_t value)
{
    const uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    return storage->PutBuffer(b, 4);
}

int putBigEndian16(CStorage *storage, uint32_t value)
{
    const uint8_t b[2] = {uint8_t(value >> 8), uint8_t(value)};
    return storage->PutBuffer(b, 2);
}

// The state a partial export writes at its start: the last value of every
// kind before it, keyed so that an event at the start replaces it.
struct StateBefore {
    std::map<long, EVENT> values;

    static long keyOf(const EVENT &e)
    {
        if (e.IsTSign())
            return 1;
        if (e.IsKSign())
            return 2;
        if (e.IsTempo())
            return 3;
        if (!e.IsChannel())
            return -1;
        const long channel = e.getChan();
        if (e.IsCtrl())
            return 0x1000 + channel * 128 + e.data1;
        if (e.IsProg())
            return 0x2000 + channel;
        if (e.IsCAT())
            return 0x3000 + channel;
        if (e.IsWheel())
            return 0x4000 + channel;
        return -1;
    }
};

} // namespace

CSMFCoder::CSMFCoder(CSong *owner, unsigned long coderFlags, long fileDivision)
    : song(owner), flags(coderFlags), timeBase(UsableTimeBase(owner ? owner->GetTimeBase() : 0)),
      division(fileDivision > 0 ? fileDivision : timeBase), rangeEnd(INT_MAX),
      dump(new (std::nothrow) CTrackMIDI(1, owner))
{
    if (song && (flags & SMF_SELECTION) && song->IsTimeSelection()) {
        rangeStart = song->selectionStart;
        rangeEnd = song->selectionEnd;
    }
}

CSMFCoder::~CSMFCoder()
{
    delete dump;
}

CTrack *CSMFCoder::GetNextTrack(CTrack *after)
{
    for (CTrack *t = song->GetNextTrack(after); t; t = song->GetNextTrack(t)) {
        if (t->kind == TRACK_MASTER)
            return t;
        if (t->kind == TRACK_AUDIO)
            continue;
        if ((flags & SMF_SELECTED_TRACKS) && !t->IsSlct())
            continue;
        if (song->soloMode ? !t->IsSolo() : (t->IsMute() && !t->IsSolo()))
            continue;
        return t;
    }
    return nullptr;
}

int CSMFCoder::PutVarLen(uint32_t value)
{
    if (value > 0x0FFFFFFF)
        return 0;
    uint8_t bytes[4];
    int n = 0;
    bytes[n++] = static_cast<uint8_t>(value & 0x7F);
    while (value >>= 7)
        bytes[n++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
    for (int i = n - 1; i >= 0; --i) {
        if (!storage->Put8(&bytes[i]))
            return 0;
    }
    return 1;
}

int CSMFCoder::BeginFile(long tracks)
{
    if (tracks <= 0 || tracks > 0xFFFF || division > 0x7FFF)
        return 0;
    return storage->PutBuffer("MThd", 4) && putBigEndian32(storage, 6) &&
           putBigEndian16(storage, (flags & SMF_FORMAT0) ? 0 : 1) && putBigEndian16(storage, tracks) &&
           putBigEndian16(storage, division);
}

int CSMFCoder::BeginTrack()
{
    lastFileTick = 0;
    runningStatus = 255;
    if (!storage->PutBuffer("MTrk", 4))
        return 0;
    lengthPosition = storage->GetPos();
    return putBigEndian32(storage, 0);
}

int CSMFCoder::EndTrack()
{
    static const uint8_t endOfTrack[3] = {0xFF, 0x2F, 0x00};
    const int64_t delta = std::max<int64_t>(0, FileTick(endTime) - lastFileTick);
    if (delta > 0x0FFFFFFF || !PutVarLen(static_cast<uint32_t>(delta)) || !storage->PutBuffer(endOfTrack, 3))
        return 0;
    const long end = storage->GetPos();
    return storage->SetPos(lengthPosition) == lengthPosition &&
           putBigEndian32(storage, static_cast<uint32_t>(end - lengthPosition - 4)) &&
           storage->SetPos(end) == end;
}

int CSMFCoder::PutEvent(const EVENT *e)
{
    if (e->IsSpec())
        return 1;
    const int64_t fileTick = FileTick(e->time);
    const int64_t delta = fileTick - lastFileTick;
    if (delta < 0 || delta > 0x0FFFFFFF || !PutVarLen(static_cast<uint32_t>(delta)))
        return 0;
    lastFileTick = fileTick;
    if (e->IsLong()) {
        runningStatus = 255;
        const uint32_t length = e->payload && e->length > 0 ? static_cast<uint32_t>(e->length) : 0;
        if (e->IsSysEx()) {
            if (length < 2)
                return 0;
            return storage->Put8(&e->payload[0]) && PutVarLen(length - 1) &&
                   storage->PutBuffer(e->payload + 1, static_cast<long>(length - 1));
        }
        const uint8_t head[2] = {0xFF, e->status};
        return storage->PutBuffer(head, 2) && PutVarLen(length) &&
               storage->PutBuffer(e->payload, static_cast<long>(length));
    }
    const uint8_t bytes[3] = {e->status, e->data1, e->data2};
    if (e->status >= 0xF0) {
        runningStatus = 255;
        const int length = systemMessageLength(e->status);
        return length > 0 && storage->PutBuffer(bytes, length);
    }
    const long dataBytes = ((e->status & 0xF0) == 0xC0 || (e->status & 0xF0) == 0xD0) ? 1 : 2;
    if (e->status != runningStatus) {
        runningStatus = e->status;
        if (!storage->Put8(&e->status))
            return 0;
    }
    return storage->PutBuffer(bytes + 1, dataBytes);
}

int CSMFCoder::PutToDumpTrack(CTrack *track, int add)
{
    if (!add)
        dump->CStructArray::Clear();
    const bool hasChannel = track->channel >= 0 && track->channel <= 15;
    StateBefore before;
    auto copy = [&](const EVENT &source, int32_t time) {
        EVENT e(source);
        if (e.IsChannel() && hasChannel)
            e.setChan(track->channel);
        e.time = time;
        if (e.IsLong() && source.length > 0 && !e.payload)
            return 0; // the payload copy ran out of memory
        if (e.IsNote()) {
            EVENT off(e);
            off.data2 = 0;
            off.value = 0;
            off.time = ClampTicks(int64_t(time) + std::max<int32_t>(1, source.value));
            if (time < endTime && off.time > endTime)
                off.time = static_cast<int32_t>(endTime);
            if (!dump->AddToTail(&off, 1))
                return 0;
        }
        return dump->AddToTail(&e, 1);
    };
    long i = 0;
    const long n = track->GetNumb();
    for (; i < n && track->GetEvent(i)->time < rangeStart; ++i) {
        EVENT e(*track->GetEvent(i));
        if (e.IsChannel() && hasChannel)
            e.setChan(track->channel);
        const long key = StateBefore::keyOf(e);
        if (key >= 0)
            before.values[key] = std::move(e);
    }
    for (long j = i; j < n && track->GetEvent(j)->time == rangeStart; ++j)
        before.values.erase(StateBefore::keyOf(*track->GetEvent(j)));
    for (auto &[key, e] : before.values) {
        if (e.IsWheel() && e.getWheelVal() == 0)
            continue;
        if (e.IsTempo()) {
            EVENT whole;
            if (!whole.setTempo(std::round(e.getTempoVal())))
                return 0;
            e = std::move(whole);
        }
        if (!copy(e, static_cast<int32_t>(rangeStart)))
            return 0;
    }
    for (; i < n && track->GetEvent(i)->time < rangeEnd; ++i) {
        if (!copy(*track->GetEvent(i), track->GetEvent(i)->time))
            return 0;
    }
    return 1;
}

int CSMFCoder::PutDumpToStorage()
{
    dump->Sort();
    if (!BeginTrack())
        return 0;
    for (long i = 0; i < dump->GetNumb(); ++i) {
        if (!PutEvent(dump->GetEvent(i)))
            return 0;
    }
    return EndTrack();
}

int CSMFCoder::ExportSMF(CStorage *target)
{
    if (!song || !target || !dump)
        return 0;
    storage = target;
    long tracks = 0;
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t))
        ++tracks;
    if (!BeginFile((flags & SMF_FORMAT0) && tracks > 0 ? 1 : tracks))
        return 0;
    if (flags & SMF_FORMAT0) {
        dump->CStructArray::Clear();
        for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
            if (!PutToDumpTrack(t, 1))
                return 0;
        }
        return PutDumpToStorage();
    }
    for (CTrack *t = GetNextTrack(nullptr); t; t = GetNextTrack(t)) {
        if (!PutToDumpTrack(t, 0) || !PutDumpToStorage())
            return 0;
    }
    return 1;
}

} // namespace Quorvane
