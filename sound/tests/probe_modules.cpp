// The tests' probe modules (see probe_modules.h).
#include "sound/tests/probe_modules.h"

#include "data/seekable_stream.h"
#include "data/tembri_song.h"
#include "sound/audio_effect.h"
#include "sound/soft_synth_base.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace Quorvane;

namespace probe {
namespace {

PROBESTATE state;

char longName[kLongNameSize];

struct LongNameInit {
    LongNameInit()
    {
        std::memset(longName, 'n', sizeof longName - 1);
        longName[sizeof longName - 1] = '\0';
    }
} longNameInit;

char bankName[] = "Probe Bank";
char programName[] = "Probe Program";
char noteName[] = "Probe Note";
char controllerName[] = "Probe Controller";

class ProbeNames : public IZQSSExEnum {
public:
    void Nothing() override {}
    long Banks(tagENUMITEM **list) override { return hand(banks, 1, list); }
    long Programs(long, tagENUMITEM **list) override { return hand(programs, 1, list); }
    long Notes(long, long, long, tagENUMITEM **list) override { return hand(notes, 2, list); }
    long Controllers(tagENUMITEM **list) override { return hand(controllers, 1, list); }
    void GiveBack(tagENUMITEM *) override {}

private:
    long hand(tagENUMITEM *table, long count, tagENUMITEM **list)
    {
        *list = state.offerNames ? table : nullptr;
        return state.offerNames ? count : 0;
    }
    tagENUMITEM banks[1] = {{3, bankName}};
    tagENUMITEM programs[1] = {{5, programName}};
    tagENUMITEM notes[2] = {{36, noteName}, {38, longName}};
    tagENUMITEM controllers[1] = {{7, controllerName}};
};

class ProbeHost : public IZQSSExTembri {
public:
    void Nothing() override {}
    void SetSong(ITembriSong *tembriSong) override { song = tembriSong; }
    void Transport(long, long, long, float) override {}
    int AudioBlock(long, const float *, long) override { return 0; }
    bool GetInstrument(long, void *out) override
    {
        // Fits a 16-byte class id as well as a string.
        std::memcpy(out, "probe instrumen", 16);
        return true;
    }
    bool SelectInstrument(long, const void *) override { return state.selectResult != 0; }

    ITembriSong *song = nullptr;
};

// Whether the song's maps answer as whole maps do: at least one segment
// each, the last tempo segment open to the end, every meter countable.
bool songMapsWhole(ITembriSong &song)
{
    QUICKTIMER tempo;
    QUICKMETER meter;
    QUICKTONAL key;
    const long tempos = song.SongGetNumTempos();
    const long meters = song.SongGetNumMeters();
    if (tempos < 1 || !song.SongGetTempoByIndex(tempos - 1, tempo) || tempo.endTick != INT_MAX ||
        !(tempo.samplesPerTick > 0.0f))
        return false;
    if (meters < 1 || !song.SongGetMeterByIndex(meters - 1, meter) || meter.numerator < 1 ||
        meter.ticksPerBeat < 1)
        return false;
    if (song.SongGetNumTonals() < 1 || !song.SongGetTonalByIndex(0, key))
        return false;
    long bar, beat, tick;
    song.SongGetMBTFromTime(100000, bar, beat, tick);
    return song.SongGetSampleFromTime(100000) > 0 && bar > 0;
}

constexpr uint32_t kAlive = 0x50524F42;
constexpr uint32_t kDead = 0xDEADDEAD;

// Destroyed synths are kept (and marked), so a late call is seen, not a crash.
class ProbeSynth final : public SoftSynthBase {
public:
    void Reset() override { ++state.synthResets; }
    void Resume() override { ++state.synthResumes; }
    void Destroy() override
    {
        check();
        magic = kDead;
        --state.synthsAlive;
        for (bool &voice : voices)
            if (voice)
                --state.notesSounding;
    }
    void SetSampleRate(float rate) override
    {
        sampleRate = rate;
        ++state.synthRateCalls;
    }
    void SetBlockSize(int frames) override
    {
        blockSize = frames;
        ++state.synthBlockCalls;
    }
    void MidiIn(const uint8_t *message, int offset) override
    {
        check();
        const long n = state.messageCount++;
        if (n < kMaxMessages) {
            uint32_t bytes = 0;
            std::memcpy(&bytes, message, 3);
            state.messages[n] = {bytes, offset};
        }
        const int status = message[0] & 0xF0;
        if (status != 0x80 && status != 0x90)
            return;
        bool &voice = voices[(message[0] & 0x0F) * 128 + (message[1] & 0x7F)];
        const bool on = status == 0x90 && message[2] != 0;
        if (on != voice)
            state.notesSounding += on ? 1 : -1;
        voice = on;
    }
    bool RenderAdding(float **buffer, int frames) override { return render(buffer, frames, true); }
    bool RenderReplacing(float **buffer, int frames) override { return render(buffer, frames, false); }
    void SaveState(Seekable::OutputStream *out) override
    {
        const int32_t value = state.stateValue;
        out->writeBytes(&value, static_cast<uint32_t>(state.stateBytes.load()));
    }
    void LoadState(Seekable::InputStream *in) override
    {
        int32_t value = -1;
        in->read(value);
        state.loadedValue = value;
        ++state.loads;
    }
    void GetEditorSize(int *width, int *height) override { *width = *height = 0; }
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetName() override { return "Probe Synth"; }
    const char *GetProductName() override { return longName; }
    int GetStateSize() override { return 4; }
    int GetNumParams() override { return 1; }
    float GetParam(int) override { return state.paramAnswer >= 0.0f ? state.paramAnswer.load() : param; }
    void SetParam(int, float value) override { param = value; }
    void *GetSubInterface(int id) override
    {
        return id == SSEX_ENUM     ? static_cast<void *>(static_cast<IZQSSExEnum *>(&names))
               : id == SSEX_TEMBRI ? static_cast<void *>(static_cast<IZQSSExTembri *>(&host))
                                   : nullptr;
    }

private:
    void check()
    {
        if (magic != kAlive)
            ++state.afterDestroy;
    }
    bool render(float **buffer, int frames, bool adding)
    {
        check();
        ++state.synthRenders;
        if (void (*watch)(void *) = state.renderWatch)
            watch(state.renderWatchContext);
        if (state.readSongMaps && host.song) {
            ++state.songReads;
            if (!songMapsWhole(*host.song))
                ++state.badSongReads;
        }
        const float level = state.synthLevel;
        if (level == 0.0f)
            return false;
        for (int i = 0; i < 2 * frames; ++i)
            buffer[0][i] = adding ? buffer[0][i] + level : level;
        return true;
    }

    uint32_t magic = kAlive;
    float param = 0.0f;
    bool voices[16 * 128] = {};
    ProbeNames names;
    ProbeHost host;
};

class ProbeEffect final : public IQuorvaneAudioEffect {
public:
    void Reset() override {}
    void Resume() override {}
    void Destroy() override
    {
        --state.effectsAlive;
        delete this;
    }
    void SetSampleRate(float rate) override
    {
        sampleRate = rate;
        ++state.effectRateCalls;
    }
    void SetBlockSize(int frames) override
    {
        blockSize = frames;
        ++state.effectBlockCalls;
    }
    void Reserved() override {}
    bool Process(float **, int) override
    {
        ++state.effectProcess;
        return true;
    }
    bool ProcessSilence(float **buffer, int frames) override
    {
        ++state.effectSilence;
        for (int i = 0; i < 2 * frames; ++i) {
            if (buffer[0][i] != 0.0f) {
                ++state.effectSawAudio;
                break;
            }
        }
        return false;
    }
    void ClearOutput() override {}
    void SaveState(Seekable::OutputStream *) override {}
    void LoadState(Seekable::InputStream *) override {}
    void GetEditorSize(int *width, int *height) override { *width = *height = 0; }
    bool OpenEditor(HWND) override { return false; }
    bool CloseEditor() override { return false; }
    const char *GetVendor() override { return "Quorvane"; }
    const char *GetName() override { return "Probe Effect"; }
    int GetConstant1() override { return 1; }
    int GetConstant2() override { return -1; }
    const char *GetProductName() override { return "Probe Effect"; }
    int GetStateSize() override { return 0; }
    int GetNumParams() override { return 0; }
    float GetParam(int) override { return 0.0f; }
    void SetParam(int, float) override {}
    void GetText1(char *, int) override {}
    void GetText2(char *, int) override {}
    void GetText3(char *, int) override {}
    void *GetSubInterface(int) override { return nullptr; }

private:
    ~ProbeEffect() = default;
};

class ProbeProvider final : public IAudioStreamProvider {
public:
    int Open(ASPOPENPARAMS *params, const char *) override
    {
        if (!state.openResult)
            return 0;
        params->framesWanted = static_cast<int32_t *>(std::calloc(params->bufferCount, sizeof(int32_t)));
        state.block = params;
        return 1;
    }
    void Release() override
    {
        state.block = nullptr;
        --state.providersAlive;
        delete this;
    }
    int Start() override { return state.startResult; }
    int BufferDone(int) override
    {
        ++state.bufferDones;
        SetEvent(state.doneEvent);
        return state.doneResult;
    }
    int ShowSettings(ASPSETTINGS *) override { return 0; }
    int GetSettings(ASPSETTINGS *) override { return 0; }
    int CloseSettings() override { return 0; }
    void SetCallback(ASPNotifyProc, ULONG_PTR) override {}

private:
    ~ProbeProvider() = default;
};

} // namespace
} // namespace probe

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        probe::state.doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) IQuorvaneSoftSynth *CreateSoftSynth(unsigned char, long)
{
    ++probe::state.synthsAlive;
    return new (std::nothrow) probe::ProbeSynth;
}

extern "C" __declspec(dllexport) IQuorvaneAudioEffect *CreateAudioEffect(unsigned char, long)
{
    ++probe::state.effectsAlive;
    return new (std::nothrow) probe::ProbeEffect;
}

extern "C" __declspec(dllexport) IAudioStreamProvider *GetASPInterface()
{
    ++probe::state.providersAlive;
    return new (std::nothrow) probe::ProbeProvider;
}

extern "C" __declspec(dllexport) probe::PROBESTATE *ProbeState()
{
    return &probe::state;
}

extern "C" __declspec(dllexport) bool ProbeRequest(int index, int32_t frames)
{
    ASPOPENPARAMS *block = probe::state.block;
    if (!block || index < 0 || index >= block->bufferCount)
        return false;
    block->framesWanted[index] = frames;
    ResetEvent(probe::state.doneEvent);
    SetEvent(block->bufferEvents[index]);
    return WaitForSingleObject(probe::state.doneEvent, 10000) == WAIT_OBJECT_0;
}
