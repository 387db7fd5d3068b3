#include "data/smf.h"

#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/storage.h"
#include "data/tick_scale.h"
#include "data/track_master.h"
#include "data/track_midi.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace Quorvane {

namespace {

constexpr uint32_t kChunkHead = 8;
// The output type of a MIDI output in the song tract.
constexpr long kMIDIOutputType = 7;

uint32_t bigEndian32(const uint8_t *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t bigEndian16(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Data bytes after a system status byte; -1 for the ones a file may not hold.
int systemDataBytes(uint8_t status)
{
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
        return 0;
    default:
        return -1;
    }
}

// Note-ons waiting for their note-off, any number per channel and note:
// each note's queue links the track indexes of its notes, oldest first, so
// every note-off closes the oldest note still open.
class PendingNotes {
public:
    PendingNotes()
    {
        std::memset(head_, 0xFF, sizeof(head_));
        std::memset(tail_, 0xFF, sizeof(tail_));
    }

    // False when memory runs out.
    bool push(int channel, int note, int32_t index)
    {
        try {
            if (next_.size() <= static_cast<size_t>(index))
                next_.resize(static_cast<size_t>(index) + 1, -1);
        } catch (const std::bad_alloc &) {
            return false;
        }
        next_[index] = -1;
        int32_t &tail = tail_[channel][note];
        if (tail >= 0)
            next_[tail] = index;
        else
            head_[channel][note] = index;
        tail = index;
        return true;
    }

    // The oldest open note's index, taken from its queue; -1 when none.
    int32_t pop(int channel, int note)
    {
        int32_t &head = head_[channel][note];
        const int32_t oldest = head;
        if (oldest >= 0) {
            head = next_[oldest];
            if (head < 0)
                tail_[channel][note] = -1;
        }
        return oldest;
    }

private:
    int32_t head_[16][128];
    int32_t tail_[16][128];
    std::vector<int32_t> next_;
};

} // namespace

CSMFDecoder::CSMFDecoder(CSong *owner)
    : song(owner), timeBase(UsableTimeBase(owner ? owner->GetTimeBase() : 0))
{
}

CSMFDecoder::~CSMFDecoder()
{
    std::free(image);
}

int CSMFDecoder::ReadFileHeader()
{
    if (size < 14 || std::memcmp(image, "MThd", 4) != 0 || bigEndian32(image + 4) != 6)
        return 0;
    format = bigEndian16(image + 8);
    numTracks = bigEndian16(image + 10);
    division = bigEndian16(image + 12);
    position = 14;
    if (format > 1 || numTracks == 0 || (format == 0 && numTracks != 1))
        return 0;
    // Only ticks per quarter: SMPTE frames (top bit) and 0 are refused.
    return division != 0 && (division & 0x8000) == 0;
}

int CSMFDecoder::ReadTrackHeader(uint32_t &end)
{
    while (size - position >= kChunkHead) {
        const uint8_t *head = image + position;
        const uint32_t length = bigEndian32(head + 4);
        position += kChunkHead;
        if (length > size - position)
            return 0;
        if (std::memcmp(head, "MTrk", 4) == 0) {
            end = position + length;
            return 1;
        }
        position += length; // a chunk of another kind
    }
    return 0;
}

int CSMFDecoder::ReadVarLen(uint32_t end, uint32_t &value)
{
    value = 0;
    for (int n = 0; n < 4; ++n) {
        if (position >= end)
            return 0;
        const uint8_t byte = image[position++];
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return 1;
    }
    return 0;
}

int CSMFDecoder::ImportTrack(CTrack *track, uint32_t end)
{
    auto pending = std::unique_ptr<PendingNotes>(new (std::nothrow) PendingNotes);
    if (!pending)
        return 0;
    IQuorvaneSongTract *tract = song->GetSongTract();
    const bool sysExOnTrackOutput =
        tract && track->output && tract->GetOutType(track->output) == kMIDIOutputType;
    int64_t fileTick = 0;
    uint8_t running = 0;
    while (position < end) {
        uint32_t delta;
        if (!ReadVarLen(end, delta))
            return 0;
        fileTick += delta;
        const int32_t tick =
            division == timeBase ? ClampTicks(fileTick) : ScaleTicksDown(fileTick, timeBase, division);
        if (position >= end)
            return 0;
        uint8_t status = image[position];
        if (status == 0xF0 || status == 0xF7) {
            ++position;
            running = 0;
            uint32_t length;
            if (!ReadVarLen(end, length) || length > end - position)
                return 0;
            if (length > 0) {
                SYSEX entry;
                uint8_t *message = static_cast<uint8_t *>(std::malloc(length + 1));
                if (!message)
                    return 0;
                message[0] = 0xF0;
                std::memcpy(message + 1, image + position, length);
                entry.data = message;
                entry.length = static_cast<long>(length + 1);
                entry.port = sysExOnTrackOutput ? track->output : nullptr;
                if (!song->sysEx.Add(entry))
                    return 0;
            }
            position += length;
            continue;
        }
        if (status == 0xFF) {
            ++position;
            uint32_t length;
            if (position >= end)
                return 0;
            const uint8_t type = image[position++];
            if (!ReadVarLen(end, length) || length > end - position)
                return 0;
            if (type == 0x2F) {
                position = end;
                return 1;
            }
            EVENT e;
            if (!e.setLong(type, image + position, static_cast<long>(length)))
                return 0;
            e.time = tick;
            if (!track->AddToTail(&e, 1))
                return 0;
            position += length;
            continue;
        }
        if (status & 0x80) {
            ++position;
            if (status < 0xF0)
                running = status;
            else
                running = 0; // system common messages cancel running status
        } else if (running) {
            status = running;
        } else {
            return 0; // a data byte without a status
        }
        const int dataBytes = status >= 0xF0                                         ? systemDataBytes(status)
                              : ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1
                                                                                     : 2;
        if (dataBytes < 0 || static_cast<uint32_t>(dataBytes) > end - position)
            return 0;
        uint8_t data[2] = {0, 0};
        for (int i = 0; i < dataBytes; ++i) {
            data[i] = image[position++];
            if (data[i] & 0x80)
                return 0;
        }
        if ((status & 0xF0) == 0x80) {
            status = static_cast<uint8_t>(0x90 | (status & 0x0F));
            data[1] = 0;
        }
        if (status < 0xF0 && (status & 0xF0) == 0x90) {
            const int channel = status & 0x0F;
            if (data[1] == 0) {
                const int32_t oldest = pending->pop(channel, data[0]);
                if (oldest >= 0) {
                    EVENT *on = track->GetEvent(oldest);
                    on->value = std::max<int32_t>(1, tick - on->time);
                }
                continue;
            }
            EVENT e;
            e.setNote(channel, data[0], data[1]);
            e.value = 1;
            e.time = tick;
            const int32_t at = static_cast<int32_t>(track->GetNumb());
            if (!track->AddToTail(&e, 1) || !pending->push(channel, data[0], at))
                return 0;
            continue;
        }
        EVENT e;
        e.status = status;
        e.data1 = data[0];
        e.data2 = data[1];
        e.time = tick;
        if (!track->AddToTail(&e, 1))
            return 0;
    }
    return 0; // the chunk ended without its end of track
}

int CSMFDecoder::FinishTrack(CTrack *track)
{
    track->Sort();
    track->UpdateLastTime();
    if (!track->CheckInitial(1) || !track->CheckForSongInfo())
        return 0;
    if (track->kind == TRACK_MASTER && !static_cast<CTrackMaster *>(track)->UpdateParams(0))
        return 0;
    track->SendInitialToPort(SEND_ALL);
    track->UpdateEdition();
    return 1;
}

int CSMFDecoder::ImportFormat1()
{
    CTrackMaster *master = song->GetTrackMaster();
    for (long chunk = 0; chunk < numTracks; ++chunk) {
        uint32_t end;
        if (!ReadTrackHeader(end))
            return 0; // fewer chunks than the header says
        CTrack *track;
        if (chunk == 0) {
            if (!master)
                return 0;
            master->CStructArray::Clear();
            track = master;
        } else {
            track = song->GetTrackForImport(TRACK_MIDI);
            if (!track)
                return 0;
        }
        if (!ImportTrack(track, end) || !FinishTrack(track)) {
            if (chunk == 0)
                master->SetDefault();
            return 0;
        }
        position = end;
    }
    return 1;
}

int CSMFDecoder::ImportFormat0()
{
    CTrackMaster *master = song->GetTrackMaster();
    uint32_t end;
    if (!master || !ReadTrackHeader(end))
        return 0;
    CTrackMIDI all(1, song);
    if (!ImportTrack(&all, end))
        return 0;
    master->CStructArray::Clear();
    CTrack *byChannel[16] = {};
    int placed = 1;
    for (long i = 0; i < all.GetNumb(); ++i) {
        EVENT *e = all.GetEvent(i);
        CTrack *target = master;
        if (e->IsChannel()) {
            CTrack *&channelTrack = byChannel[e->getChan()];
            if (!channelTrack)
                channelTrack = song->GetTrackForImport(TRACK_MIDI);
            target = channelTrack;
        }
        if (!target || !target->AddToTail(e, 1))
            placed = 0;
    }
    int ok = FinishTrack(master);
    for (CTrack *track : byChannel) {
        if (track)
            ok &= FinishTrack(track);
    }
    return ok && placed;
}

int CSMFDecoder::ImportSMF(CStorage *storage)
{
    if (!storage || !song)
        return 0;
    const long length = storage->GetLength();
    // An empty file holds no MIDI data: refused, as any file that is not one.
    if (length <= 0)
        return 0;
    std::free(image);
    image = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(length)));
    if (!image || storage->SetPos(0) != 0 || !storage->GetBuffer(image, length))
        return 0;
    size = static_cast<uint32_t>(length);
    if (!ReadFileHeader())
        return 0;
    song->UpdateEdition();
    return format == 0 ? ImportFormat0() : ImportFormat1();
}

int CSong::ImportSMF(CStorage *storage)
{
    ResetSelection(1, 0);
    CSMFDecoder decoder(this);
    const int ok = decoder.ImportSMF(storage);
    Update();
    return ok;
}

} // namespace Quorvane
