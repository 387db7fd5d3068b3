// Small builders and readers shared by the MIDI tests: raw file bytes,
// events, and the events a written chunk holds.
#pragma once

#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/midi/smf_chunks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/stream.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace midi_test {

using Event = Quorvane::CMidiTrack::Event;

inline std::string be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

inline std::string be16(uint16_t v)
{
    return {char(v >> 8), char(v)};
}

inline std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

inline Event note(int32_t time, uint8_t number, int32_t duration = 10, uint8_t velocity = 100,
                  uint8_t channel = 9)
{
    Event e;
    e.time = time;
    e.channel = channel;
    e.kind = Event::Note;
    e.data1 = number;
    e.data2 = velocity;
    e.duration = duration;
    return e;
}

inline Event other(int32_t time, int32_t kind, uint8_t data1, uint8_t data2, uint8_t channel = 0)
{
    Event e;
    e.time = time;
    e.channel = channel;
    e.kind = kind;
    e.data1 = data1;
    e.data2 = data2;
    return e;
}

// One written event: absolute time, status, data, and the meta or SysEx
// bytes.
struct Written {
    uint32_t time;
    uint16_t status;
    uint16_t data1;
    uint16_t data2;
    std::string text;
    bool operator==(const Written &) const = default;
};

// The events of one chunk, up to its end or the first malformed event.
inline std::vector<Written> eventsOf(const Quorvane::SmfChunk &chunk)
{
    std::vector<Written> out;
    uint32_t position = 0, time = 0, delta = 0;
    uint8_t running = 0;
    while (Quorvane::readVarLen(chunk, position, delta)) {
        time += delta;
        Quorvane::SmfMessage m;
        const uint8_t *data = nullptr;
        uint32_t length = 0;
        if (Quorvane::parseSmfEvent(chunk, position, m, running, &data, &length) != Quorvane::SmfEvent::Event)
            break;
        out.push_back({time, m.status, m.data1, m.data2,
                       data != nullptr ? std::string(reinterpret_cast<const char *>(data), length) : ""});
    }
    return out;
}

// Accepts a fixed number of bytes, then nothing: a disk that fills up.
class ShortStream : public Quorvane::OutputStream {
public:
    explicit ShortStream(uint32_t room) : room_(room) {}
    uint32_t writeBytes(const void *, uint32_t count) override
    {
        const uint32_t taken = std::min(count, room_);
        room_ -= taken;
        return taken;
    }

private:
    uint32_t room_;
};

} // namespace midi_test
