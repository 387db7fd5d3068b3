// The soft-synthesizer module interface: what the sound engine calls on a
// synthesizer it loaded by name ("CreateSoftSynth"), and the two
// sub-interfaces it asks for. Modules are separate libraries, so the order
// of the operations below (their slots) is the contract; add nothing in
// between. The engine's render thread calls slots 5 to 8; everything else
// comes from the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class ITembriSong;
namespace Seekable {
class InputStream;
class OutputStream;
} // namespace Seekable

// The host callback a module calls when its user changed something (code 2:
// the song is modified). The engine writes it and its user value into the
// object right after creation.
using SoftSynthHostProc = void (*)(unsigned long index, long code, ULONG_PTR user);

// Name buffers that the engine and its modules fill hold this many bytes,
// the terminator included.
constexpr int kSoundNameSize = 128;

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

// Sub-interface ids of slot 26.
enum : long { SSEX_ENUM = 1, SSEX_TEMBRI = 0x4000 };

class IQuorvaneSoftSynth {
public:
    virtual void Reset() = 0;                                    // 0: stop processing
    virtual void Resume() = 0;                                   // 1
    virtual void Destroy() = 0;                                  // 2: deletes the object
    virtual void SetSampleRate(float rate) = 0;                  // 3
    virtual void SetBlockSize(int frames) = 0;                   // 4
    virtual void MidiIn(const uint8_t *message, int offset) = 0; // 5: offset within the next block
    // Interleaved stereo floats, two per frame; buffer[0] is the buffer.
    virtual bool RenderAdding(float **buffer, int frames) = 0;    // 6: true when it added sound
    virtual bool RenderReplacing(float **buffer, int frames) = 0; // 7: true when it wrote sound
    virtual void ClearOutput() = 0;                               // 8: zeroes the last buffer
    virtual void SaveState(Seekable::OutputStream *out) = 0;      // 9
    virtual void LoadState(Seekable::InputStream *in) = 0;        // 10
    virtual void GetEditorSize(int *width, int *height) = 0;      // 11
    virtual bool OpenEditor(HWND parent) = 0;                     // 12
    virtual bool CloseEditor() = 0;                               // 13
    virtual const char *GetVendor() = 0;                          // 14
    virtual const char *GetName() = 0;                            // 15
    virtual int GetConstant1() = 0;                               // 16
    virtual int GetConstant2() = 0;                               // 17
    virtual const char *GetProductName() = 0;                     // 18
    virtual int GetStateSize() = 0;                               // 19
    virtual int GetNumParams() = 0;                               // 20
    virtual float GetParam(int index) = 0;                        // 21
    virtual void SetParam(int index, float value) = 0;            // 22
    virtual void GetText1(char *out, int flag) = 0;               // 23
    virtual void GetText2(char *out, int flag) = 0;               // 24
    virtual void GetText3(char *out, int flag) = 0;               // 25
    virtual void *GetSubInterface(int id) = 0;                    // 26

    // What every object begins with: the engine reads and writes these
    // directly.
    float sampleRate = 44100.0f;
    int blockSize = 1024;
    SoftSynthHostProc hostCallback = nullptr;
    ULONG_PTR hostUser = 0;

protected:
    ~IQuorvaneSoftSynth() = default;
};

// The entry every soft-synth module exports; the engine passes (1, 128),
// which the modules do not need.
using CreateSoftSynthProc = IQuorvaneSoftSynth *(*)(unsigned char flag, long number);

} // namespace Quorvane
