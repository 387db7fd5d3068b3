#include "db/songfile/song_audio.h"

#include "data/lock.h"
#include "data/raw_compress.h"
#include "data/storage.h"
#include "data/track_audio.h"
#include "db/records/sdb.h"
#include "db/songfile/song_notes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace Quorvane {

namespace {

constexpr uint32_t kBytesPerSample = 4;

uint32_t FramesPerBlock(uint32_t channels)
{
    return SONG_AUDIO_BLOCK_BYTES / (kBytesPerSample * channels);
}

// Every audio block of the file: no chain is longer, even one whose parent
// ids run in a circle.
uint32_t CountAudioBlocks(CSDB &db)
{
    uint32_t count = 0;
    for (SDBNOTE *note = db.GetNoteByType(nullptr, SONG_AUDIO); note;
         note = db.GetNoteByType(note, SONG_AUDIO))
        ++count;
    return count;
}

} // namespace

int WriteAudioChain(CSDB &db, CTrackAudio &track, uint32_t parent)
{
    CWave &wave = track.wave;
    const uint32_t channels = wave.IsStereo() ? 2 : 1;
    const uint32_t perBlock = FramesPerBlock(channels);
    const std::unique_ptr<float[]> samples(new (std::nothrow) float[size_t(perBlock) * channels]);
    if (!samples)
        return 0;
    int64_t at = 0;
    do {
        const auto frames = uint32_t(std::min<int64_t>(perBlock, wave.length - at));
        if (!wave.Read(samples.get(), at, frames) || !wave.Delta(samples.get(), frames, 1))
            return 0;
        CMemStorage plain(0x10000), packed(0x10000);
        if (!plain.PutBuffer(samples.get(), long(frames * channels * kBytesPerSample)))
            return 0;
        CRawCompress compress(&plain, &packed);
        if (!compress.IsOk())
            return 0;
        SONGAUDIONOTE block(0, parent);
        block.mark = channels == 2 ? SONG_AUDIO_STEREO : SONG_AUDIO_MONO;
        block.setting = uint32_t(wave.sampleRate);
        block.frames = frames;
        block.channels = channels;
        block.value = track.startOffset;
        block.data = packed.GetData();
        block.size = uint32_t(packed.GetLength());
        if (!db.AddNewNote(&block))
            return 0;
        parent = block.id;
        at += frames;
    } while (at < wave.length);
    return 1;
}

int ReadAudioChain(CSDB &db, CTrackAudio &track, uint32_t parent)
{
    CWave &wave = track.wave;
    SDBNOTE *note = db.GetFirstNote(parent, SONG_AUDIO);
    if (!note)
        return 0;
    wave.Clear();
    uint32_t channels = 0;
    int64_t position = 0;
    for (uint32_t left = CountAudioBlocks(db); note; note = db.GetFirstNote(note->id, SONG_AUDIO)) {
        if (!left--)
            return 0;
        SONGAUDIONOTE block(note->id, 0);
        if (!db.ReadNote(&block) || (block.channels != 1 && block.channels != 2) ||
            (channels && block.channels != channels) || block.frames > FramesPerBlock(block.channels))
            return 0;
        if (!channels) {
            channels = block.channels;
            CLock lock(wave.sync);
            wave.channels = int(channels);
            wave.bytesPerFrame = int(channels * kBytesPerSample);
            track.startOffset = block.value;
        }
        // The stored length must be what the frames need before anything is
        // expanded, so that a damaged block cannot make us expand more.
        const uint32_t bytes = block.frames * channels * kBytesPerSample;
        uint32_t stored = 0;
        if (block.size < 4)
            return 0;
        std::memcpy(&stored, block.data, 4);
        if (stored != bytes)
            return 0;
        CMemStorage packed(0x10000), plain(0x10000);
        if (!packed.PutBuffer(block.data, long(block.size)))
            return 0;
        CRawExpand expand(&packed, &plain);
        if (!expand.IsOk() || plain.GetLength() != long(bytes))
            return 0;
        auto *samples = reinterpret_cast<float *>(plain.data);
        if (!wave.Delta(samples, block.frames, 0) || !wave.Write(samples, position, block.frames))
            return 0;
        position += block.frames;
        CLock lock(wave.sync);
        wave.length = position;
    }
    return 1;
}

} // namespace Quorvane
