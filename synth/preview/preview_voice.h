// The voices of the preview synthesizer: a fixed pool made with the
// synthesizer, so a note never allocates on the render thread.
#pragma once

namespace Quorvane {

struct PREVIEWVOICE {
    PREVIEWVOICE *next = nullptr;
    int note = 0;
    // Frame of the current block it starts at; -1 once started.
    int startOffset = -1;
    // Frame of the current block its release starts at; -1 while held, -2
    // while releasing.
    int releaseStart = -1;
    const float *table = nullptr;
    long length = 0;
    // Tones: position in the one-second table; sounds: the next sample.
    double phase = 0.0;
    float frequency = 0.0f;
    float level = 1.0f;
    float velocity = 0.0f;
    long releaseLeft = 0;
    bool oneShot = false;
};

class PreviewVoicePool {
public:
    static constexpr int kVoices = 512;

    PreviewVoicePool();
    // A cleared voice, or null when every voice sounds.
    PREVIEWVOICE *Take();
    void Give(PREVIEWVOICE *voice);

private:
    PREVIEWVOICE voices_[kVoices];
    PREVIEWVOICE *free_ = nullptr;
};

} // namespace Quorvane
