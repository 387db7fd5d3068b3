// A MIDI-effect module for the tests ("TestEffect.zql" beside them): it
// moves every note up by its transposition (its whole state, one 32-bit
// value) and records what it is asked, for the tests to read through
// TestEffectLog, marking what it was asked while the calling thread held
// the lock a test names through TestEffectWatchLock.
#include "data/event.h"
#include "data/midi_effect.h"

#include <string>

using namespace Quorvane;

namespace {

std::string log;
long liveObjects = 0;
const CRITICAL_SECTION *watchedLock = nullptr;

void note(const std::string &entry)
{
    log += entry;
    if (watchedLock && watchedLock->RecursionCount > 0 &&
        reinterpret_cast<ULONG_PTR>(watchedLock->OwningThread) ==
            static_cast<ULONG_PTR>(GetCurrentThreadId()))
        log += "[locked]";
    log += " ";
}

class TestEffect final : public IQuorvaneMIDIEffect {
public:
    TestEffect() { ++liveObjects; }
    ~TestEffect() { --liveObjects; }

    HRESULT QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    int Init(void *host, void *owner) override
    {
        note(host && owner ? "init" : "init-null");
        return 1;
    }
    void SetOnline(int online) override { note("online" + std::to_string(online)); }
    int SetPlayState(long state, long a, long b) override
    {
        note("play" + std::to_string(state) + "(" + std::to_string(a) + "," + std::to_string(b) + ")");
        return 1;
    }
    int Process(ITembriMEInQueue *in, ITembriMEOutQueue *out) override
    {
        if (!in || !out) {
            note("process-null");
            return 0;
        }
        long from = 0, to = 0;
        in->GetTimeBounds(from, to);
        note("process(" + std::to_string(from) + "," + std::to_string(to) + ")");
        for (long i = 0; i < in->GetNumb(); ++i) {
            EVENT e = *in->GetEvent(i);
            if (e.IsNote())
                e.data1 = static_cast<uint8_t>(e.data1 + transposition);
            if (!out->AddEvent(&e, 1))
                return 0;
        }
        return 1;
    }
    int SaveState(Seekable::OutputStream *out) override { return out->write(transposition); }
    int LoadState(Seekable::InputStream *in) override
    {
        int32_t value = 0;
        if (!in->read(value) || value < -24 || value > 24)
            return 0;
        transposition = value;
        return 1;
    }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return "Octaver"; }
    int GuidOperation(long, void *, long) override { return 0; }

    ULONG references = 1;
    int32_t transposition = 12;
};

} // namespace

extern "C" __declspec(dllexport) IQuorvaneMIDIEffect *CreateMIDIEffect()
{
    note("create");
    return new TestEffect;
}

// What the module was asked since the last call, and the number of live
// effects.
extern "C" __declspec(dllexport) const char *TestEffectLog(long *live)
{
    static std::string taken;
    taken.swap(log);
    log.clear();
    if (live)
        *live = liveObjects;
    return taken.c_str();
}

// What the effects are asked while the calling thread holds section is
// marked "[locked]" in the log from now on; null ends the watch.
extern "C" __declspec(dllexport) void TestEffectWatchLock(const CRITICAL_SECTION *section)
{
    watchedLock = section;
}
