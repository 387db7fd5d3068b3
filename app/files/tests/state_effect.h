// An in-process MIDI effect for the tests: its whole state is a string of
// bytes (written and read raw), and it plays every input event twice.
#pragma once

#include "data/event.h"
#include "data/midi_effect.h"

#include <string>

namespace rallimoth_test {

class StateEffect final : public Quorvane::IQuorvaneMIDIEffect {
public:
    explicit StateEffect(std::string state = {}) : state(std::move(state)) {}

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
    int Init(void *, void *) override { return 1; }
    void SetOnline(int) override {}
    int SetPlayState(long, long, long) override { return 1; }
    int Process(Quorvane::ITembriMEInQueue *in, Quorvane::ITembriMEOutQueue *out) override
    {
        for (long i = 0; i < in->GetNumb(); ++i) {
            Quorvane::EVENT e = *in->GetEvent(i);
            if (!out->AddEvent(&e, 1))
                return 0;
        }
        return produce ? produce(in, out) : 1;
    }
    int SaveState(Quorvane::Seekable::OutputStream *out) override
    {
        return out->writeBytes(state.data(), static_cast<uint32_t>(state.size())) == state.size();
    }
    int LoadState(Quorvane::Seekable::InputStream *in) override
    {
        if (refuse)
            return 0;
        std::string read(in->length(), '\0');
        if (in->readBytes(read.data(), static_cast<uint32_t>(read.size())) != read.size())
            return 0;
        state = read;
        return 1;
    }
    int GetEditorSize(long &, long &) override { return 0; }
    int OpenEditor(HWND) override { return 0; }
    void CloseEditor() override {}
    const char *GetName() override { return "State"; }
    int GuidOperation(long, void *, long) override { return 0; }

    std::string state;
    bool refuse = false;
    // What the effect adds to its output, when set.
    int (*produce)(Quorvane::ITembriMEInQueue *, Quorvane::ITembriMEOutQueue *) = nullptr;

private:
    ~StateEffect() = default;
    ULONG references = 1;
};

} // namespace rallimoth_test
