// Stand-ins for the program's neighbours in its tests: a database whose
// answers the test sets, a sound manager that logs its calls, and the
// message boxes the program showed.
#pragma once

#include "app/program_database.h"
#include "base/message_box.h"
#include "data/io_params.h"
#include "data/tests/fake_sound.h"

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
    Quorvane::Hibernation LoadHibernation(Quorvane::CSong *song, std::vector<uint8_t> &state) override
    {
        state = hibernatedState;
        if (hibernation == Quorvane::Hibernation::Restored && restore)
            restore(song);
        return hibernation;
    }
    bool SaveHibernation(Quorvane::CSong *, const void *state, long size) override
    {
        const auto *bytes = static_cast<const uint8_t *>(state);
        savedState.assign(bytes, bytes + size);
        log.push_back("save");
        return true;
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
    std::vector<uint8_t> savedState;
    std::vector<std::string> log;
};

struct LoggingSoundMngr : FakeSoundMngr {
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
    void StopPlayback() override
    {
        log.push_back("stop playback");
        playing = 0;
    }
    void SetNotify(Quorvane::ASPNotifyProc proc, ULONG_PTR user) override
    {
        log.push_back(proc ? "notify" : "notify off");
        notifyUser = user;
    }

    int initOk = 1;
    int startOk = 1;
    long initRate = 0;
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
