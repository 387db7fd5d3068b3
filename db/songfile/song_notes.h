// The record kinds a song file adds to those of the equipment database: its
// root, the song's texts, each track's events, melody text and audio blocks,
// and the application record.
#pragma once

#include "db/records/sdb_note.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CXFile;

// "TSNG" as the song file stores it.
constexpr uint32_t SONGFILE_MAGIC = 0x474E5354;

enum : uint8_t {
    SONG_ROOT = 0x00,
    SONG_TEMPLATE = 0xE0, // the song's New Song template
    SONG_TRACK = 0x10,    // a track record of the template
    SONG_INFO = 0xF2,
    SONG_EVENTS = 0x11,
    SONG_MELTEXT = 0x12,
    SONG_AUDIO = 0x13,
    SONG_APP = 0xF3,
};

// Samples (4 bytes per sample and channel) an audio block holds at most.
constexpr uint32_t SONG_AUDIO_BLOCK_BYTES = 0x80000;
// Marks of an audio block: a two-channel wave, or another.
constexpr uint8_t SONG_AUDIO_STEREO = 0x40;
constexpr uint8_t SONG_AUDIO_MONO = 0x20;
// Song fields the application record carries, and its u32 fields in all.
constexpr int SONG_APP_FIELDS = 6;
constexpr int SONG_APP_WORDS = 10;

// Root body: title, an empty string, the version, the two song fields a New
// Song template's blob holds, a u32 0 and an empty blob.
class STAVRUND_API SONGROOTNOTE : public CSDBInterpretator {
public:
    SONGROOTNOTE(uint32_t id = 0xFFFFFFFF) : CSDBInterpretator(SONG_ROOT, id, SDB_NO_PARENT) {}
    ~SONGROOTNOTE() override;
    // "Tembri %i.%i Song" from the version's high 16 and low 8 bits.
    void SetTitle(uint32_t version);
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *) const override { return 0; }
    uint32_t GetSize() override;

    char *title = nullptr;
    uint32_t version = 0;
    uint32_t fields[2] = {0, 0};
};

// Song information: the five texts (each at most 255 bytes) and an empty blob.
class STAVRUND_API SONGINFONOTE : public CSDBInterpretator {
public:
    static constexpr int Items = 5;
    SONGINFONOTE(uint32_t id = 0xFFFFFFFF) : CSDBInterpretator(SONG_INFO, id, SDB_NO_PARENT) {}
    ~SONGINFONOTE() override;
    // Keeps a copy (written cut to 255 bytes); 0 when memory runs out.
    int SetText(int index, const char *text);
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *) const override { return 0; }
    uint32_t GetSize() override;

    char *texts[Items] = {};
};

// A body that is one blob: a track's events (0x11) or melody text (0x12).
// The bytes are borrowed for writing and owned (malloc) after a read.
class STAVRUND_API SONGBLOBNOTE : public CSDBInterpretator {
public:
    SONGBLOBNOTE(uint8_t type, uint32_t id, uint32_t parent) : CSDBInterpretator(type, id, parent) {}
    ~SONGBLOBNOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override { return 4 + size; }

    const void *data = nullptr;
    uint32_t size = 0;
    bool owned = false;
};

// One block of an audio track: an empty string, the mark, the wave's first
// setting, its frames and channels, the wave's 64-bit value, and the
// delta-coded samples packed as a compressed block.
class STAVRUND_API SONGAUDIONOTE : public CSDBInterpretator {
public:
    SONGAUDIONOTE(uint32_t id, uint32_t parent) : CSDBInterpretator(SONG_AUDIO, id, parent) {}
    ~SONGAUDIONOTE() override;
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override { return 26 + size; }

    uint8_t mark = SONG_AUDIO_STEREO;
    uint32_t setting = 0;
    uint32_t frames = 0;
    uint32_t channels = 2;
    int64_t value = 0;
    const void *data = nullptr; // the packed samples; owned (malloc) after a read
    uint32_t size = 0;
    bool owned = false;
};

// The application record: its tag, ten u32 (the first six are song fields)
// and the application's blob (borrowed for writing, owned after a read).
class STAVRUND_API SONGAPPNOTE : public CSDBInterpretator {
public:
    SONGAPPNOTE(uint32_t id = 0xFFFFFFFF) : CSDBInterpretator(SONG_APP, id, SDB_NO_PARENT) {}
    ~SONGAPPNOTE() override;
    // Keeps a copy (written cut to 255 bytes); 0 when memory runs out.
    int SetTag(const char *text);
    int Read(CXFile *file) override;
    int Write(CXFile *file) override;
    int Compare(const CSDBInterpretator *other) const override;
    uint32_t GetSize() override;

    char *tag = nullptr;
    uint32_t words[SONG_APP_WORDS] = {};
    const void *data = nullptr;
    uint32_t size = 0;
    bool owned = false;
};

} // namespace Quorvane
