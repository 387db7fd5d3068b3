// The audio-effect module interface: what the sound engine calls on an
// effect it loaded by name ("CreateAudioEffect"). It shares the soft
// synthesizer's contract (sound/module_contract.h) but for slots 5 to 7. The
// slot order is the contract between modules.
#pragma once

#include "sound/module_contract.h"

namespace Quorvane {

// The effect's host extension: the song, and the choice of what a hosting
// module hosts.
class IZQAEExTembri {
public:
    virtual void Nothing() = 0;
    virtual void SetSong(ITembriSong *song) = 0;
    virtual void Reserved() = 0;
    // The current effect (a string or a 16-byte class id) into out.
    virtual bool GetSelection(long flag, void *out) = 0;
    virtual bool Select(long flag, const void *data) = 0;

protected:
    ~IZQAEExTembri() = default;
};

// Slots 5 to 7: what an effect does with sound.
class IAudioEffectSound : public ISoundModuleStart {
public:
    virtual void Reserved() = 0; // 5
    // In place on interleaved stereo floats; buffer[0] is the buffer.
    virtual bool Process(float **buffer, int frames) = 0; // 6: the buffer holds sound
    virtual bool ProcessSilence(float **buffer,
                                int frames) = 0; // 7: the buffer is silent; true when it made sound

protected:
    ~IAudioEffectSound() = default;
};

class IQuorvaneAudioEffect : public ISoundModule<IAudioEffectSound> {
protected:
    ~IQuorvaneAudioEffect() = default;
};

// The entry every audio-effect module exports; the engine passes (1, 128).
using CreateAudioEffectProc = IQuorvaneAudioEffect *(*)(unsigned char flag, long number);

} // namespace Quorvane
