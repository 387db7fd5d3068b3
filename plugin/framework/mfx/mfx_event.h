// The event record that an MFX host and its plug-ins exchange through event
// queues. The layout is shared with the host, so it is packed and fixed.
#pragma once

#include <cstddef>
#include <cstdint>

// What an event carries; kinds 0..5 are channel messages.
enum MfxEventKind : int32_t {
    MfxNote = 0,
    MfxKeyAftertouch = 1,
    MfxController = 2,
    MfxPatch = 3,
    MfxChannelAftertouch = 4,
    MfxWheel = 5,
};

#pragma pack(push, 1)
struct MfxEvent {
    int32_t time;            // host ticks
    uint8_t port;            // output port of the host track
    uint8_t channel;         // MIDI channel 0..15
    int32_t kind;            // an MfxEventKind
    uint8_t note;            // note; for other kinds the first data byte
    uint8_t velocity;        // velocity; for other kinds the second data byte
    uint8_t releaseVelocity; // note-off velocity of a note
    int32_t duration;        // length of a note in host ticks
};
#pragma pack(pop)

static_assert(sizeof(MfxEvent) == 17, "the host reads 17 packed bytes per event");
static_assert(offsetof(MfxEvent, kind) == 6 && offsetof(MfxEvent, note) == 10 &&
                  offsetof(MfxEvent, duration) == 13,
              "offsets fixed by the host");
