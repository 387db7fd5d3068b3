// Loading and saving a CMidiTrack as a Standard MIDI File.
#include "plugin/framework/midi/event_message.h"
#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/file.h"
#include "base/safe_file.h"
#include "base/simple_stream.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <list>
#include <new>
#include <unordered_map>

namespace Quorvane {

namespace {

constexpr int MaxDenominatorPower = 15; // the denominator is 16 bits

// Volume, pan and bank controllers belong to the host track, not the pattern.
bool isTrackSetting(uint8_t controller)
{
    switch (controller) {
    case 0:
    case 7:
    case 10:
    case 32:
    case 39:
    case 42:
        return true;
    default:
        return false;
    }
}

std::string fileName(const std::string &first, const std::string &second)
{
    std::string name = first;
    if (!second.empty())
        name += "/" + second;
    std::replace(name.begin(), name.end(), ' ', '_');
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

int lowestSetBit(uint16_t value)
{
    for (int bit = 0; bit < 16; ++bit)
        if (value & (1u << bit))
            return bit;
    return -1;
}

struct QueuedNoteOff {
    int64_t time;
    SmfMessage message;
};

} // namespace

bool eventToSmfMessage(const CMidiTrack::Event &event, SmfMessage &message)
{
    const uint16_t channel = event.channel & 0x0F;
    const uint16_t data1 = event.data1 & 0x7F;
    const uint16_t data2 = event.data2 & 0x7F;
    switch (event.kind) {
    case CMidiTrack::Event::Note:
        message = {uint16_t(0x90 | channel), data1, data2};
        return true;
    case CMidiTrack::Event::KeyPressure:
        message = {uint16_t(0xA0 | channel), data1, data2};
        return true;
    case CMidiTrack::Event::Controller:
        message = {uint16_t(0xB0 | channel), data1, data2};
        return true;
    case CMidiTrack::Event::ProgramChange:
        message = {uint16_t(0xC0 | channel), data1, 0};
        return true;
    case CMidiTrack::Event::ChannelPressure:
        message = {uint16_t(0xD0 | channel), data2, 0};
        return true;
    case CMidiTrack::Event::PitchBend: {
        const int value = std::clamp<int>(event.pitchBend(), -8192, 8191) + 8192;
        message = {uint16_t(0xE0 | channel), uint16_t(value & 0x7F), uint16_t(value >> 7)};
        return true;
    }
    default:
        return false;
    }
}

uint8_t clocksPerBeat(int denominatorPower)
{
    if (denominatorPower < 0 || denominatorPower > 6)
        return denominatorPower < 0 ? 96 : 1;
    return static_cast<uint8_t>(std::max(1, 96 >> denominatorPower));
}

int CMidiTrack::loadSmf(InputStream &in)
{
    SmfChunkList list;
    if (readSmfChunks(list, in) != SmfOk)
        return 1;

    try {
        // Built aside, so a failure leaves this track as it was.
        CMidiTrack loaded;
        std::copy(std::begin(headerWords_), std::end(headerWords_), loaded.headerWords_);
        loaded.resolution_ = list.division;

        int numerator = 4;
        int power = 2;
        if (list.first != nullptr && findSmfTimeSignature(*list.first, numerator, power) &&
            (numerator == 0 || power > MaxDenominatorPower)) {
            numerator = 4; // a signature that means nothing counts as absent
            power = 2;
        }
        loaded.setTimeSignature(static_cast<uint16_t>(numerator), static_cast<uint16_t>(1u << power));

        uint32_t tempo = 0;
        uint32_t tempoTime = 0;
        uint32_t position = 0;
        uint8_t running = 0;
        if (list.first != nullptr && findSmfTempo(*list.first, position, tempo, tempoTime, running) &&
            tempo != 0)
            loaded.tempo_ = static_cast<int32_t>(tempo);

        if (const SmfChunk *chunk = findNoteChunk(list)) {
            // Open notes per channel and note number, oldest first.
            std::unordered_map<int, std::deque<Position>> open;
            int64_t time = 0;
            position = 0;
            running = 0;
            uint32_t delta = 0;
            while (readVarLen(*chunk, position, delta)) {
                time += delta;
                if (time > INT32_MAX)
                    return 1;
                SmfMessage message;
                const uint8_t *data = nullptr;
                uint32_t length = 0;
                const SmfEvent parsed = parseSmfEvent(*chunk, position, message, running, &data, &length);
                if (parsed == SmfEvent::EndOfTrack)
                    break;
                if (parsed == SmfEvent::Malformed)
                    return 1;
                if (message.status == 0xFF && message.data1 == 0x05) {
                    const std::string text(reinterpret_cast<const char *>(data), length);
                    const size_t slash = text.find('/');
                    loaded.firstText_ = text.substr(0, slash);
                    loaded.secondText_ = slash == std::string::npos ? std::string() : text.substr(slash + 1);
                    continue;
                }
                if (message.status >= 0xF0)
                    continue;

                Event event;
                event.time = static_cast<int32_t>(time);
                event.channel = static_cast<uint8_t>(message.status & 0x0F);
                event.data1 = static_cast<uint8_t>(message.data1);
                event.data2 = static_cast<uint8_t>(message.data2);
                const int key = event.channel * 128 + event.data1;
                switch (message.status & 0xF0) {
                case 0x90:
                    event.kind = Event::Note;
                    event.duration = -1;
                    loaded.events_.push_back(event);
                    open[key].push_back(std::prev(loaded.events_.end()));
                    continue;
                case 0x80: {
                    auto found = open.find(key);
                    if (found != open.end() && !found->second.empty()) {
                        Event &note = *found->second.front();
                        note.duration = event.time - note.time;
                        found->second.pop_front();
                    }
                    continue;
                }
                case 0xA0:
                    event.kind = Event::KeyPressure;
                    break;
                case 0xB0:
                    event.kind = Event::Controller;
                    break;
                case 0xD0:
                    event.kind = Event::ChannelPressure;
                    event.data2 = event.data1;
                    event.data1 = 0;
                    break;
                case 0xE0:
                    event.kind = Event::PitchBend;
                    event.setPitchBend(static_cast<int16_t>((message.data2 - 64) * 128 + message.data1));
                    break;
                default:
                    continue; // program changes are the host track's
                }
                loaded.events_.push_back(event);
            }
        }
        loaded.refreshStatistics();
        *this = loaded;
    } catch (const std::bad_alloc &) {
        return 1;
    }
    return 0;
}

int CMidiTrack::saveSmf(OutputStream &out) const
{
    if (resolution_ <= 0 || resolution_ > 0x7FFF)
        return 1; // no file can carry it
    SmfChunkList list;
    list.format = 1;
    list.trackCount = 2;
    list.division = static_cast<uint16_t>(resolution_);

    int power = lowestSetBit(denominator_);
    if (power < 0)
        power = 2;
    const int32_t tempo = tempo_ > 0 && tempo_ <= 0xFFFFFF ? tempo_ : DefaultTempo;

    SmfChunk *tempoTrack = appendSmfChunk(list);
    if (tempoTrack == nullptr || allocSmfChunkData(*tempoTrack, 21) != SmfOk)
        return 1;
    const uint8_t signature[4] = {uint8_t(numerator_), uint8_t(power), clocksPerBeat(power), 8};
    const uint8_t key[2] = {0, 0};
    const uint8_t tempoBytes[3] = {uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo)};
    writeSmfMeta(*tempoTrack, 0, 0x58, 4, signature);
    writeSmfMeta(*tempoTrack, 0, 0x59, 2, key);
    writeSmfMeta(*tempoTrack, 0, 0x51, 3, tempoBytes);
    writeSmfEndOfTrack(*tempoTrack, 0);

    SmfChunk *chunk = appendSmfChunk(list);
    if (chunk == nullptr || allocSmfChunkData(*chunk, 20000) != SmfOk)
        return 1;
    int64_t written = 0; // time of the last event written
    if (!events_.empty() && (!firstText_.empty() || !secondText_.empty())) {
        const std::string name = fileName(firstText_, secondText_);
        const int64_t start = std::max<int64_t>(0, events_.front().time);
        const auto *bytes = reinterpret_cast<const uint8_t *>(name.data());
        writeSmfMeta(*chunk, static_cast<uint32_t>(start), 0x03, static_cast<uint32_t>(name.size()), bytes);
        writeSmfMeta(*chunk, 0, 0x05, static_cast<uint32_t>(name.size()), bytes);
        written = start;
    }

    // Note-offs wait in time order; at one tick they go before the events
    // there, so a note repeated right at another's end is not cut short.
    std::list<QueuedNoteOff> queue;
    auto writeAt = [&](int64_t time, const SmfMessage &message) {
        time = std::max(time, written); // never a negative delta
        writeSmfEvent(*chunk, static_cast<uint32_t>(std::min<int64_t>(time - written, UINT32_MAX)), message);
        written = time;
    };
    try {
        for (const Event &event : events_) {
            SmfMessage message;
            if (!eventToSmfMessage(event, message) || event.kind == Event::ProgramChange)
                continue;
            if (event.kind == Event::Controller && isTrackSetting(event.data1))
                continue;
            const int64_t time = std::max<int64_t>(event.time, written);
            while (!queue.empty() && queue.front().time <= time) {
                writeAt(queue.front().time, queue.front().message);
                queue.pop_front();
            }
            writeAt(time, message);
            if (event.kind == Event::Note) {
                // A note without an end stops where it starts.
                const QueuedNoteOff off{
                    time + std::max(0, event.duration),
                    {uint16_t(0x80 | (message.status & 0x0F)), message.data1, message.data2}};
                auto at = std::find_if(queue.begin(), queue.end(),
                                       [&](const QueuedNoteOff &queued) { return queued.time >= off.time; });
                queue.insert(at, off);
            }
        }
    } catch (const std::bad_alloc &) {
        return 1;
    }
    for (const QueuedNoteOff &off : queue)
        writeAt(off.time, off.message);
    writeSmfEndOfTrack(*chunk, 0);

    return writeSmfChunks(list, out) == SmfOk ? 0 : 1;
}

int CMidiTrack::loadSmfFile(const std::string &path)
{
    File file;
    if (!file.open(path.c_str(), GENERIC_READ, OPEN_EXISTING))
        return 1;
    FileStream in(&file);
    return loadSmf(in);
}

int CMidiTrack::saveSmfFile(const std::string &path) const
{
    SafeFileWriter writer(path);
    if (!writer.isOpen() || saveSmf(writer) != 0)
        return 1;
    return writer.commit() ? 0 : 1;
}

} // namespace Quorvane
