// What soft-synth and audio-effect modules share of their contract with the
// sound engine: the object's five leading words, the slots 0 to 4 and 8 to
// 26 (the same operations in both), and the host callback. Slots 5 to 7 are
// what each kind does with sound; each kind's header declares them. Modules
// are separate libraries, so the slot order is the contract: add nothing in
// between, and keep single inheritance so the slots follow on in one table.
#pragma once

#include <windows.h>

#include <type_traits>

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

// The id of slot 26 that gives the host extension, in both kinds.
enum : long { SSEX_TEMBRI = 0x4000 };

// Slots 0 to 4 and what every object begins with after its table: the
// engine reads and writes these words directly.
class ISoundModuleStart {
public:
    virtual void Reset() = 0;                   // 0: stop processing
    virtual void Resume() = 0;                  // 1
    virtual void Destroy() = 0;                 // 2: deletes the object
    virtual void SetSampleRate(float rate) = 0; // 3
    virtual void SetBlockSize(int frames) = 0;  // 4

    float sampleRate = 44100.0f;
    int blockSize = 1024;
    SoftSynthHostProc hostCallback = nullptr;
    ULONG_PTR hostUser = 0;

protected:
    ~ISoundModuleStart() = default;
};

// The whole contract: Sound adds slots 5 to 7 to ISoundModuleStart, and
// slots 8 to 26 follow here.
template <class Sound> class ISoundModule : public Sound {
    static_assert(std::is_base_of_v<ISoundModuleStart, Sound>, "slots 5 to 7 follow slots 0 to 4");

public:
    virtual void ClearOutput() = 0;                          // 8: zeroes the last buffer
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

protected:
    ~ISoundModule() = default;
};

} // namespace Quorvane
