// One channel of the preview synthesizer: its voices (newest first), its
// waveform, volume, pan and pitch wheel, and the changes queued for the
// coming block, each at its frame.
#pragma once

#include "synth/preview/preview_voice.h"
#include "synth/preview/wave_table_set.h"

namespace Quorvane {

enum : int { CHANNEL_MELODIC = 0, CHANNEL_DRUMS, CHANNEL_CLICKS };

class PreviewChannel {
public:
    static constexpr int kQueueSize = 1024;

    void Setup(int channelKind, PreviewVoicePool *voicePool);
    void SetTables(const CWaveTableSet *tables) { set = tables; }
    int Kind() const { return kind; }

    // Tones play the note at the frequency of the sound tables; drums play
    // the note's drum sound, clicks the normal or accent click (note 0 or 1).
    void NoteOn(int note, int velocity, int offset);
    // Melodic channels only: the newest held voice of the note releases.
    void NoteOff(int note, int offset);
    void AllNotesOff(int offset);
    void SetProgram(int number) { program = number % WAVE_TONES; }
    int Program() const { return program; }
    // A wheel value centred on 0 (-8192..8191).
    void QueueWheel(int value, int offset);
    void QueueVolume(int value, int offset);
    void QueuePan(int value, int offset);
    // Every voice stops at once.
    void Stop();

    // Renders into mix (cleared by the caller); false when the channel was
    // idle (it then took its queued changes at once).
    bool Render(float *mix, int frames);

private:
    struct Change {
        int offset;
        int value;
    };
    static void queue(Change *entries, int &count, int value, int offset);
    void renderVoices(float *mix, int from, int to);
    void applyGains(float *mix, int frames);
    void takeVolPan(int value);
    void setGainTargets(bool ramp);

    int kind = CHANNEL_MELODIC;
    int program = 0;
    PREVIEWVOICE *voices = nullptr;
    PreviewVoicePool *pool = nullptr;
    const CWaveTableSet *set = nullptr;
    int volume = 100;
    int pan = 64;
    float gainLeft = 1.0f, gainRight = 1.0f;
    float targetLeft = 1.0f, targetRight = 1.0f;
    float stepLeft = 0.0f, stepRight = 0.0f;
    long rampLeft = 0;
    float wheel = 1.0f;
    Change wheelChanges[kQueueSize];
    int wheelCount = 0;
    // Pan entries carry this bit.
    static constexpr int kPanChange = 0x100;
    Change volPanChanges[kQueueSize];
    int volPanCount = 0;
};

} // namespace Quorvane
