// The audio-effect module interface: what the sound engine calls on an
// effect it loaded by name ("CreateAudioEffect"). It has the soft
// synthesizer's shape: the same slots where both have an operation, the
// same five leading words. The slot order is the contract between modules.
#pragma once

#include "synth/soft_synth.h"

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

class IQuorvaneAudioEffect {
public:
    virtual void Reset() = 0;                   // 0: stop processing
    virtual void Resume() = 0;                  // 1
    virtual void Destroy() = 0;                 // 2: deletes the object
    virtual void SetSampleRate(float rate) = 0; // 3
    virtual void SetBlockSize(int frames) = 0;  // 4
    virtual void Reserved() = 0;                // 5
    // In place on interleaved stereo floats; buffer[0] is the buffer.
    virtual bool Process(float **buffer, int frames) = 0; // 6: the buffer holds sound
    virtual bool ProcessSilence(float **buffer,
                                int frames) = 0; // 7: the buffer is silent; true when it made sound
    virtual void ClearOutput() = 0;              // 8
    virtual void SaveState(Seekable::OutputStream *out) = 0; // 9
    virtual void LoadState(Seekable::InputStream *in) = 0;   // 10
    virtual void GetEditorSize(int *width, int *height) = 0; // 11
    virtual bool OpenEditor(HWND parent) = 0;                // 12
    virtual bool CloseEditor() = 0;                          // 13
    virtual const char *GetVendor() = 0;                     // 14
    virtual const char *GetName() = 0;                       // 15
    virtual int GetConstant1() = 0;                          // 16
    virtual int GetConstant2() = 0;                          // 17
    virtual const char *GetProductName() = 0;                // 18
    virtual int GetStateSize() = 0;                          // 19
    virtual int GetNumParams() = 0;                          // 20
    virtual float GetParam(int index) = 0;                   // 21
    virtual void SetParam(int index, float value) = 0;       // 22
    virtual void GetText1(char *out, int flag) = 0;          // 23
    virtual void GetText2(char *out, int flag) = 0;          // 24
    virtual void GetText3(char *out, int flag) = 0;          // 25
    virtual void *GetSubInterface(int id) = 0;               // 26

    float sampleRate = 44100.0f;
    int blockSize = 1024;
    SoftSynthHostProc hostCallback = nullptr;
    ULONG_PTR hostUser = 0;

protected:
    ~IQuorvaneAudioEffect() = default;
};

// The entry every audio-effect module exports; the engine passes (1, 128).
using CreateAudioEffectProc = IQuorvaneAudioEffect *(*)(unsigned char flag, long number);

} // namespace Quorvane
