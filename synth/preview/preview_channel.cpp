#include "synth/preview/preview_channel.h"

#include "sound/sound_tables.h"
#include "synth/preview/drum_map.h"

#include <algorithm>

namespace Quorvane {

PreviewVoicePool::PreviewVoicePool()
{
    for (int i = kVoices - 1; i >= 0; --i) {
        voices_[i].next = free_;
        free_ = &voices_[i];
    }
}

PREVIEWVOICE *PreviewVoicePool::Take()
{
    PREVIEWVOICE *voice = free_;
    if (voice) {
        free_ = voice->next;
        *voice = PREVIEWVOICE();
    }
    return voice;
}

void PreviewVoicePool::Give(PREVIEWVOICE *voice)
{
    voice->next = free_;
    free_ = voice;
}

void PreviewChannel::Setup(int channelKind, PreviewVoicePool *voicePool)
{
    kind = channelKind;
    pool = voicePool;
    setGainTargets(false);
}

void PreviewChannel::NoteOn(int note, int velocity, int offset)
{
    if (velocity <= 0) {
        NoteOff(note, offset);
        return;
    }
    if (!set)
        return;
    const WAVETABLE *table = kind == CHANNEL_MELODIC ? &set->tones[program]
                             : kind == CHANNEL_DRUMS ? &set->drums[PreviewDrumSound(note)]
                                                     : &set->clicks[note ? CLICK_ACCENT : CLICK_NORMAL];
    if (table->length() == 0)
        return;
    PREVIEWVOICE *voice = pool->Take();
    if (!voice)
        return;
    voice->note = note;
    voice->startOffset = std::max(0, offset);
    voice->table = table->samples();
    voice->length = table->length();
    voice->oneShot = kind != CHANNEL_MELODIC;
    voice->frequency = kind == CHANNEL_MELODIC ? pSndFreqTab[std::clamp(note, 0, 127)] : 0.0f;
    voice->velocity = static_cast<float>(velocity) / 127.0f;
    voice->next = voices;
    voices = voice;
}

void PreviewChannel::NoteOff(int note, int offset)
{
    if (kind != CHANNEL_MELODIC)
        return;
    for (PREVIEWVOICE *voice = voices; voice; voice = voice->next) {
        if (voice->note == note && voice->releaseStart == -1) {
            voice->releaseStart = std::max(0, offset);
            return;
        }
    }
}

void PreviewChannel::AllNotesOff(int offset)
{
    if (kind != CHANNEL_MELODIC)
        return;
    for (PREVIEWVOICE *voice = voices; voice; voice = voice->next)
        if (voice->releaseStart == -1)
            voice->releaseStart = std::max(0, offset);
}

void PreviewChannel::queue(Change *entries, int &count, int value, int offset)
{
    // A full queue keeps its first entries and the newest.
    if (count == kQueueSize)
        --count;
    entries[count++] = {std::max(0, offset), value};
}

void PreviewChannel::QueueWheel(int value, int offset)
{
    if (kind != CHANNEL_CLICKS && kind != CHANNEL_DRUMS)
        queue(wheelChanges, wheelCount, value, offset);
}

void PreviewChannel::QueueVolume(int value, int offset)
{
    queue(volPanChanges, volPanCount, value & 0x7F, offset);
}

void PreviewChannel::QueuePan(int value, int offset)
{
    queue(volPanChanges, volPanCount, kPanChange | (value & 0x7F), offset);
}

void PreviewChannel::Stop()
{
    while (PREVIEWVOICE *voice = voices) {
        voices = voice->next;
        pool->Give(voice);
    }
}

void PreviewChannel::takeVolPan(int value)
{
    if (value & kPanChange)
        pan = value & 0x7F;
    else
        volume = value & 0x7F;
}

void PreviewChannel::setGainTargets(bool ramp)
{
    float left, right;
    SndGetVolPan(volume, pan, left, right);
    if (left == targetLeft && right == targetRight)
        return;
    targetLeft = left;
    targetRight = right;
    if (!ramp || !set) {
        gainLeft = left;
        gainRight = right;
        rampLeft = 0;
        return;
    }
    rampLeft = set->releaseFrames;
    stepLeft = (targetLeft - gainLeft) * set->releaseStep;
    stepRight = (targetRight - gainRight) * set->releaseStep;
}

bool PreviewChannel::Render(float *mix, int frames)
{
    if (!voices) {
        if (wheelCount)
            wheel = SndGetWheelFactor(wheelChanges[wheelCount - 1].value, 2, 0);
        for (int i = 0; i < volPanCount; ++i)
            takeVolPan(volPanChanges[i].value);
        setGainTargets(false);
        gainLeft = targetLeft;
        gainRight = targetRight;
        rampLeft = 0;
        wheelCount = volPanCount = 0;
        return false;
    }
    int from = 0;
    for (int i = 0; i < wheelCount; ++i) {
        const int to = std::clamp(wheelChanges[i].offset, from, frames);
        renderVoices(mix, from, to);
        wheel = SndGetWheelFactor(wheelChanges[i].value, 2, 0);
        from = to;
    }
    renderVoices(mix, from, frames);
    for (PREVIEWVOICE **link = &voices; *link;) {
        PREVIEWVOICE *voice = *link;
        voice->startOffset = -1;
        if (voice->releaseStart >= 0)
            voice->releaseStart = -2;
        if (voice->length == 0) {
            *link = voice->next;
            pool->Give(voice);
        } else {
            link = &voice->next;
        }
    }
    if (kind != CHANNEL_CLICKS)
        applyGains(mix, frames);
    wheelCount = volPanCount = 0;
    return true;
}

// A voice that ends sets its length to 0; Render then frees it.
void PreviewChannel::renderVoices(float *mix, int from, int to)
{
    for (PREVIEWVOICE *voice = voices; voice; voice = voice->next) {
        if (voice->length == 0)
            continue;
        int i = std::max(from, voice->startOffset);
        if (voice->oneShot) {
            for (; i < to; ++i) {
                const float sample = voice->table[static_cast<long>(voice->phase)] * voice->velocity;
                mix[2 * i] += sample;
                mix[2 * i + 1] += sample;
                voice->phase += 1.0;
                if (voice->phase >= voice->length) {
                    voice->length = 0;
                    break;
                }
            }
            continue;
        }
        const double step = static_cast<double>(voice->frequency) * wheel;
        for (; i < to; ++i) {
            if (voice->releaseStart >= 0 && i >= voice->releaseStart) {
                voice->releaseStart = -2;
                voice->releaseLeft = set->releaseFrames;
            }
            if (voice->releaseStart == -2) {
                if (voice->releaseLeft-- <= 0) {
                    voice->length = 0;
                    break;
                }
                voice->level -= set->releaseStep;
            }
            const float sample = voice->table[static_cast<long>(voice->phase)] * voice->velocity *
                                 std::max(voice->level, 0.0f);
            mix[2 * i] += sample;
            mix[2 * i + 1] += sample;
            voice->phase += step;
            while (voice->phase >= voice->length)
                voice->phase -= voice->length;
        }
    }
}

void PreviewChannel::applyGains(float *mix, int frames)
{
    int change = 0;
    for (int i = 0; i < frames; ++i) {
        bool changed = false;
        while (change < volPanCount && volPanChanges[change].offset <= i) {
            takeVolPan(volPanChanges[change++].value);
            changed = true;
        }
        if (changed)
            setGainTargets(true);
        if (rampLeft > 0) {
            gainLeft += stepLeft;
            gainRight += stepRight;
            if (--rampLeft == 0) {
                gainLeft = targetLeft;
                gainRight = targetRight;
            }
        }
        mix[2 * i] *= gainLeft;
        mix[2 * i + 1] *= gainRight;
    }
    while (change < volPanCount)
        takeVolPan(volPanChanges[change++].value);
    setGainTargets(true);
}

} // namespace Quorvane
