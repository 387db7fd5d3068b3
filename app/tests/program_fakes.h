// Stand-ins for the program's neighbours in its tests: a database whose
// answers the test sets, a sound manager that logs its calls, and the
// message boxes the program showed.
#pragma once

#include "app/program_database.h"
#include "base/message_box.h"
#include "data/io_params.h"
#include "data/tests/fake_sound.h"
#include "sound/soft_synth.h"

#include <functional>
#include <string>
#include <vector>

namespace program_testing {

struct FakeDatabase : Quorvane::ProgramDatabase {
    int CheckFirstTime(unsigned long mask) override
    {
        log.push_back("first-time " + std::to_string(mask));
        return firstTime;
    }
    bool RefreshPorts(long kind) override
    {
        log.push_back("refresh " + std::to_string(kind));
        return portsThere;
    }
    int GetIOParams(Quorvane::IOPARAMS *params) override
    {
        log.push_back("io");
        if (!ioThere)
            return 0;
        *params = stored;
        return 1;
    }
    int GetDefaultASP(Quorvane::IOPARAMS *params) override
    {
        log.push_back("default asp");
        params->asp = defaultAsp;
        params->aspPort = 0;
        return 1;
    }
    bool SetIOParams(Quorvane::IOPARAMS *params) override
    {
        log.push_back("set io");
        stored = *params;
        return true;
    }
    // The output chooser answers with choice (false: cancelled).
    bool ChooseOutput(Quorvane::PORTDESCR &descriptor, Quorvane::IQuorvaneSongTract *, void *owner) override
    {
        log.push_back("choose out");
        chooserOwner = owner;
        return chooseOutput && chooseOutput(descriptor);
    }
    // The preset chooser: what it was opened for goes into presetAsked and
    // choosePreset (when set) plays the user's part; without storedPort no
    // stored port matches.
    bool ChoosePreset(const Quorvane::PORTDESCR &descriptor, Quorvane::PortKinds kinds, void *item,
                      void *context, const char *name, void *parent) override
    {
        log.push_back("choose preset");
        chooserOwner = parent;
        presetAsked = PresetAsked{descriptor, kinds.first, kinds.last, item, context, name ? name : ""};
        if (!storedPort)
            return false;
        if (choosePreset)
            choosePreset();
        return true;
    }
    Quorvane::Hibernation LoadHibernation(Quorvane::CSong *song, std::vector<uint8_t> &state) override
    {
        state = hibernatedState;
        if (hibernation == Quorvane::Hibernation::Restored && restore)
            restore(song);
        return hibernation;
    }
    bool SaveHibernation(Quorvane::CSong *, const void *state, long size) override
    {
        log.push_back("save");
        if (!saveOk)
            return false;
        const auto *bytes = static_cast<const uint8_t *>(state);
        savedState.assign(bytes, bytes + size);
        return true;
    }
    // The template chooser answers with chooseTemplate (none: cancelled),
    // after the preparation; a load it plays asks templateCheck.
    bool ChooseTemplate(Quorvane::CSong *song, const std::function<bool()> &prepare,
                        const Quorvane::TemplateTracksCheck &accepts, std::vector<uint8_t> &state,
                        void *owner) override
    {
        log.push_back("choose template");
        chooserOwner = owner;
        offeredState = state;
        templateCheck = accepts;
        return chooseTemplate && prepare() && chooseTemplate(song, state);
    }
    void CommitModifications() override { log.push_back("commit"); }

    int firstTime = 0;
    bool portsThere = true;
    bool ioThere = true;
    Quorvane::IOPARAMS stored;
    long defaultAsp = 0;
    Quorvane::Hibernation hibernation = Quorvane::Hibernation::Absent;
    std::vector<uint8_t> hibernatedState;
    // Makes the hibernated song's tracks.
    std::function<void(Quorvane::CSong *)> restore;
    std::function<bool(Quorvane::PORTDESCR &)> chooseOutput;
    std::vector<uint8_t> offeredState;
    std::function<bool(Quorvane::CSong *, std::vector<uint8_t> &)> chooseTemplate;
    Quorvane::TemplateTracksCheck templateCheck;
    std::vector<uint8_t> savedState;
    bool saveOk = true;
    // The window the last chooser was opened for.
    void *chooserOwner = nullptr;
    struct PresetAsked {
        Quorvane::PORTDESCR descriptor;
        long firstKind = 0;
        long lastKind = 0;
        void *item = nullptr;
        void *context = nullptr;
        std::string name;
    } presetAsked;
    bool storedPort = true;
    std::function<void()> choosePreset;
    std::vector<std::string> log;
};

// An output's soft synth with an editor: a static text made inside the
// window it is given.
struct EditorSynth : Quorvane::IQuorvaneSoftSynth {
    void Reset() override {}
    void Resume() override {}
    void Destroy() override {}
    void SetSampleRate(float) override {}
    void SetBlockSize(int) override {}
    void MidiIn(const uint8_t *, int) override {}
    bool RenderAdding(float **, int) override { return false; }
    bool RenderReplacing(float **, int) override { return false; }
    void ClearOutput() override {}
    void SaveState(Quorvane::Seekable::OutputStream *) override {}
    void LoadState(Quorvane::Seekable::InputStream *) override {}
    void GetEditorSize(int *width, int *height) override
    {
        *width = 220;
        *height = 90;
    }
    bool OpenEditor(HWND parent) override
    {
        editor = CreateWindowExA(0, "STATIC", "Preview editor", WS_CHILD | WS_VISIBLE, 0, 0, 220, 90, parent,
                                 nullptr, nullptr, nullptr);
        return editor != nullptr;
    }
    bool CloseEditor() override
    {
        if (whileClosing)
            whileClosing();
        if (editor)
            DestroyWindow(editor);
        editor = nullptr;
        ++closed;
        return true;
    }
    const char *GetVendor() override { return ""; }
    const char *GetName() override { return "Default Preview"; }
    int GetConstant1() override { return 0; }
    int GetConstant2() override { return 0; }
    const char *GetProductName() override { return "Default Preview"; }
    int GetStateSize() override { return 0; }
    int GetNumParams() override { return 0; }
    float GetParam(int) override { return 0.0f; }
    void SetParam(int, float) override {}
    void GetText1(char *, int) override {}
    void GetText2(char *, int) override {}
    void GetText3(char *, int) override {}
    void *GetSubInterface(int) override { return nullptr; }

    HWND editor = nullptr;
    int closed = 0;
    // Called as the editor closes, to look at what the caller holds.
    std::function<void()> whileClosing;
};

// A tract whose first output plays into the master bus, with levels, and
// whose soft synth has an editor.
struct LevelTract : FakeTract {
    Quorvane::IQuorvaneSoftSynth *GetISoftSynth(void *) override { return &synth; }
    long GetOutBus(void *) override { return outBus; }
    void *GetBusByNumb(long) override { return nullptr; }
    long GetBusInfo(void *, float &v, float &p, long &effects) override
    {
        v = volume;
        p = panning;
        effects = 0;
        return 1;
    }
    void SetBusInfo(void *, float v, float p) override
    {
        volume = v;
        panning = p;
    }

    void RefreshOut(void *out) override { refreshed.push_back(out); }
    // With refuseOutput the tract cannot add the port it is given.
    void *AddNewOut(Quorvane::PORTDESCR *descriptor) override
    {
        void *added = FakeTract::AddNewOut(descriptor);
        return refuseOutput ? nullptr : added;
    }
    // The outputs other than "other" describe themselves by firstDescriptor
    // once the test gives it a kind.
    int GetOutDescr(void *out, Quorvane::PORTDESCR *descriptor, int) override
    {
        if (out == &other || firstDescriptor.kind == Quorvane::PORT_NONE)
            return 0;
        *descriptor = firstDescriptor;
        return 1;
    }

    Quorvane::PORTDESCR firstDescriptor;
    bool refuseOutput = false;

    EditorSynth synth;
    std::vector<void *> refreshed;
    long outBus = 0;
    float volume = 1.0f;
    float panning = 1.0f;
};

struct LoggingSoundMngr : FakeSoundMngr {
    Quorvane::IQuorvaneSongTract *CreateSongTract(Quorvane::CSong *) override
    {
        ++created;
        return giveTract ? &levels : nullptr;
    }
    void ReleaseSongTract(Quorvane::IQuorvaneSongTract *t) override { released += t == &levels; }
    void InactiveSongTract(Quorvane::IQuorvaneSongTract *t) override { inactivated += t == &levels; }

    int Init(Quorvane::IOPARAMS *params) override
    {
        log.push_back("init");
        initRate = params ? params->sampleRate : 0;
        return initOk;
    }
    void Release() override { log.push_back("release"); }
    int EngineStart() override
    {
        log.push_back("start");
        return startOk;
    }
    void EngineStop() override { log.push_back("stop"); }
    void StartPlayback(Quorvane::IQuorvaneSongTract *) override
    {
        log.push_back("start playback");
        playing = 1;
    }
    void StopPlayback() override
    {
        log.push_back("stop playback");
        playing = 0;
    }
    void SetNotify(Quorvane::ASPNotifyProc proc, ULONG_PTR user) override
    {
        log.push_back(proc ? "notify" : "notify off");
        notifyProc = proc;
        notifyUser = user;
    }

    LevelTract levels;
    int initOk = 1;
    int startOk = 1;
    long initRate = 0;
    Quorvane::ASPNotifyProc notifyProc = nullptr;
    ULONG_PTR notifyUser = 0;
    std::vector<std::string> log;
};

// The texts of the message boxes shown while it lives; each is answered OK.
class ShownMessages {
public:
    ShownMessages()
    {
        old_ = Quorvane::setMessageBoxHook([this](HWND, const char *text, const char *, UINT) {
            texts.push_back(text ? text : "");
            return IDOK;
        });
    }
    ~ShownMessages() { Quorvane::setMessageBoxHook(old_); }

    std::vector<std::string> texts;

private:
    Quorvane::MessageBoxHook old_;
};

} // namespace program_testing
