// The soft-synthesizer module interface: what the sound engine calls on a
// synthesizer it loaded by name ("CreateSoftSynth"), and the two
// sub-interfaces it asks for. Modules are separate libraries, so the order
// of the operations (their slots, see sound/module_contract.h) is the
// contract; add nothing in between. The engine's render thread calls slots
// 5 to 8; everything else comes from the user-interface thread.
#pragma once

#include "sound/module_contract.h"

#include <cstdint>

namespace Quorvane {

// Lists of names a synthesizer offers: banks, programs, notes, controllers.
class IZQSSExEnum {
public:
    struct tagENUMITEM {
        int value;
        char *name;
    };

    virtual void Nothing() = 0;
    // Each hands out a list the module keeps until it is given back.
    virtual long Banks(tagENUMITEM **list) = 0;
    virtual long Programs(long bank, tagENUMITEM **list) = 0;
    virtual long Notes(long bank, long program, long channel, tagENUMITEM **list) = 0;
    virtual long Controllers(tagENUMITEM **list) = 0;
    virtual void GiveBack(tagENUMITEM *list) = 0;

protected:
    ~IZQSSExEnum() = default;
};

// Transport news for a synthesizer (IZQSSExTembri::Transport).
enum : long { SSTRANSPORT_START = 0, SSTRANSPORT_STOP = 1, SSTRANSPORT_LOOP = 2, SSTRANSPORT_FACTOR = 3 };

// The host extension: the song a synthesizer follows, transport news, blocks
// of audio for outputs that play audio tracks, and the choice of what
// instrument a hosting module hosts.
class IZQSSExTembri {
public:
    virtual void Nothing() = 0;
    virtual void SetSong(ITembriSong *song) = 0;
    // (code, play position in ticks, a second position, playback factor).
    virtual void Transport(long code, long tick, long position, float factor) = 0;
    // A block of an audio track: (channels or a code, frames of floats or
    // null, frame count).
    virtual int AudioBlock(long channels, const float *frames, long count) = 0;
    // The current instrument (a string or a 16-byte class id) into out.
    virtual bool GetInstrument(long flag, void *out) = 0;
    // Hosts the instrument the data names.
    virtual bool SelectInstrument(long flag, const void *data) = 0;

protected:
    ~IZQSSExTembri() = default;
};

// Sub-interface ids of slot 26: the names, besides the host extension
// (SSEX_TEMBRI).
enum : long { SSEX_ENUM = 1 };

// Slots 5 to 7: what a synthesizer does with sound.
class ISoftSynthSound : public ISoundModuleStart {
public:
    virtual void MidiIn(const uint8_t *message, int offset) = 0; // 5: offset within the next block
    // Interleaved stereo floats, two per frame; buffer[0] is the buffer.
    virtual bool RenderAdding(float **buffer, int frames) = 0;    // 6: true when it added sound
    virtual bool RenderReplacing(float **buffer, int frames) = 0; // 7: true when it wrote sound

protected:
    ~ISoftSynthSound() = default;
};

class IQuorvaneSoftSynth : public ISoundModule<ISoftSynthSound> {
protected:
    ~IQuorvaneSoftSynth() = default;
};

// The entry every soft-synth module exports; the engine passes (1, 128),
// which the modules do not need.
using CreateSoftSynthProc = IQuorvaneSoftSynth *(*)(unsigned char flag, long number);

} // namespace Quorvane
