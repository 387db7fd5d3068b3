#include "outside/audio/audio_synth.h"

#include "sound/sound_tables.h"

#include <algorithm>
#include <cstring>

using namespace Quorvane;

CAudioSynth::CAudioSynth()
{
    SetBlockSize(blockSize);
}

void CAudioSynth::Reset()
{
    read_ = 0;
    queued_ = 0;
    changeCount_ = 0;
}

void CAudioSynth::Destroy()
{
    delete this;
}

void CAudioSynth::SetBlockSize(int frames)
{
    blockSize = std::max(frames, 0);
    capacity_ = static_cast<long>(blockSize) * kBufferedBlocks;
    ring_.assign(static_cast<size_t>(2 * capacity_), 0.0f);
    Reset();
}

void CAudioSynth::GetEditorSize(int *width, int *height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

void *CAudioSynth::GetSubInterface(int id)
{
    return id == SSEX_TEMBRI ? static_cast<IZQSSExTembri *>(&host_) : nullptr;
}

void CAudioSynth::MidiIn(const uint8_t *message, int offset)
{
    if (!message || (message[0] & 0xF0) != 0xB0 || (message[1] != 7 && message[1] != 10))
        return;
    Change change = changeCount_ ? changes_[changeCount_ - 1] : Change{0, volume_, pan_};
    change.offset = std::max(0, offset);
    (message[1] == 7 ? change.volume : change.pan) = message[2] & 0x7F;
    // A full list keeps its first entries and the newest.
    if (changeCount_ == static_cast<int>(std::size(changes_)))
        --changeCount_;
    changes_[changeCount_++] = change;
}

bool CAudioSynth::append(const float *frames, long channels, long count)
{
    if (count <= 0)
        return true;
    if (count > capacity_ - queued_ || (frames && channels != 1 && channels != 2))
        return false;
    long write = (read_ + queued_) % capacity_;
    for (long i = 0; i < count; ++i) {
        float left = 0.0f, right = 0.0f;
        if (frames) {
            left = frames[i * channels];
            right = frames[i * channels + channels - 1];
        }
        ring_[2 * write] = left;
        ring_[2 * write + 1] = right;
        write = (write + 1) % capacity_;
    }
    queued_ += count;
    return true;
}

int CAudioSynth::Host::AudioBlock(long channels, const float *frames, long count)
{
    if (!frames && channels != kSilence)
        return 0;
    return synth_.append(frames, channels, count) ? 1 : 0;
}

bool CAudioSynth::render(float *out, int frames, bool replace)
{
    // The gains in force at the block's start, then each change from its
    // frame on.
    float gainLeft, gainRight;
    SndGetVolPan(volume_, pan_, gainLeft, gainRight);
    const long played = std::min<long>(frames, queued_);
    bool sound = false;
    int change = 0;
    for (long i = 0; i < frames; ++i) {
        while (change < changeCount_ && changes_[change].offset <= i) {
            SndGetVolPan(changes_[change].volume, changes_[change].pan, gainLeft, gainRight);
            ++change;
        }
        float left = 0.0f, right = 0.0f;
        if (i < played) {
            left = ring_[2 * read_] * gainLeft;
            right = ring_[2 * read_ + 1] * gainRight;
            read_ = (read_ + 1) % capacity_;
        }
        sound = sound || left != 0.0f || right != 0.0f;
        if (replace) {
            out[2 * i] = left;
            out[2 * i + 1] = right;
        } else {
            out[2 * i] += left;
            out[2 * i + 1] += right;
        }
    }
    queued_ -= played;
    if (changeCount_) {
        volume_ = changes_[changeCount_ - 1].volume;
        pan_ = changes_[changeCount_ - 1].pan;
        changeCount_ = 0;
    }
    return sound;
}

bool CAudioSynth::RenderAdding(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && render(lastBuffer, std::min(frames, blockSize), false);
}

bool CAudioSynth::RenderReplacing(float **buffer, int frames)
{
    noteOutput(buffer, frames);
    return lastBuffer && render(lastBuffer, std::min(frames, blockSize), true);
}
