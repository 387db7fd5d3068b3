// A sound manager and song tract of the tests' own, standing in for the
// sound engine: they hand out handles, answer the song's questions and
// record what the song sends.
#pragma once

#include "data/evnt_trans.h"
#include "data/io_params.h"
#include "data/sound_interfaces.h"

#include <cstdio>
#include <functional>
#include <vector>

struct FakeTract : Quorvane::IQuorvaneSongTract {
    struct Sent {
        void *out;
        int64_t sample;
        uint32_t message;
    };

    // outputs
    void *GetOutPreview() override { return &preview; }
    void *GetOutChords() override { return &chords; }
    void *GetOutByDescr(Quorvane::PORTDESCR *) override { return nullptr; }
    long GetOutNumb(void *) override { return -1; }
    void *GetOutByNum(long) override { return nullptr; }
    void *AddNewOut(Quorvane::PORTDESCR *descriptor) override
    {
        addedKinds.push_back(descriptor ? descriptor->kind : -2);
        return &other;
    }
    void DeleteOut(void *out) override
    {
        deleted.push_back(out);
        if (whileDeleting)
            whileDeleting(out);
    }
    bool SetOutState(void *, Quorvane::PORTDESCR *) override { return false; }
    bool GetOutState(void *, Quorvane::PORTDESCR *) override { return false; }
    void RefreshOut(void *) override {}
    void InsertEvents(void *out, Quorvane::CEvntTransChain *chain) override
    {
        for (auto *e = chain->GetFirstElem(); e; e = static_cast<Quorvane::CEvntTransElem *>(e->next))
            sent.push_back({out, e->sample, e->message});
        delete chain;
    }
    void SetMonitor(int, Quorvane::MonitorProc, ULONG_PTR) override {}
    long GetOutType(void *out) override { return out == &other ? otherType : 0; }
    void *GetNextOut(void *out) override { return out ? nullptr : &preview; }
    Quorvane::IQuorvaneSoftSynth *GetISoftSynth(void *) override { return nullptr; }
    Quorvane::IZQSSExEnum *GetISSExEnum(void *) override { return nullptr; }
    Quorvane::IZQSSExTembri *GetISSExTembri(void *out) override
    {
        return out == &other ? otherHost : nullptr;
    }
    int GetOutDescr(void *, Quorvane::PORTDESCR *, int) override { return 0; }
    long GetOutInfo(void *, char *, long &) override { return 0; }
    long GetOutBus(void *) override { return 0; }
    int ReconnectOutAndBus(void *, void *, void *) override { return 0; }
    // buses and effects
    long GetNumBuses() override { return 1; }
    void *GetBusByNumb(long) override { return nullptr; }
    void *GetNextBus(void *) override { return nullptr; }
    long GetBusInfo(void *, float &, float &, long &) override { return 0; }
    void SetBusInfo(void *, float, float) override {}
    void GetBusLevel(void *, float &, float &, long &, long &) override {}
    int AddNewBus() override { return 0; }
    int DeleteBus(void *) override { return 0; }
    void *GetSEffectByNumb(void *, long) override { return nullptr; }
    void *GetNextSEffect(void *, void *) override { return nullptr; }
    Quorvane::IQuorvaneAudioEffect *GetIAudioEffect(void *) override { return nullptr; }
    Quorvane::IZQAEExTembri *GetIAEExTembri(void *) override { return nullptr; }
    int GetSEffectDescr(void *, Quorvane::PORTDESCR *, int) override { return 0; }
    long GetSEffectInfo(void *, char *, int &) override { return 0; }
    void SetSEffectInfo(void *, int) override {}
    void *AddNewSEffect(void *, void *, Quorvane::PORTDESCR *) override { return nullptr; }
    int DeleteSEffect(void *, void *) override { return 0; }
    int MoveSEffect(void *, void *, int) override { return 0; }
    bool SetSEffectState(void *, Quorvane::PORTDESCR *) override { return false; }
    bool GetSEffectState(void *, Quorvane::PORTDESCR *) override { return false; }
    int SetRenderMode(int) override { return 0; }
    void RenderBuffer(float *, long) override {}
    // names: the output "other" knows bank 1 as "Strings"
    int IsBanksEnumed(void *out) override { return out == &other; }
    int IsNotesEnumed(void *out, long, long, long) override { return out == &other; }
    int EnumBanks(void *out, long index, char *name, long &number) override
    {
        if (out != &other || index != 0)
            return 0;
        std::sprintf(name, "Strings");
        number = 1;
        return 1;
    }
    int StringBank(void *out, char *name, long bank) override
    {
        return out == &other && bank == 1 && std::sprintf(name, "Strings") > 0;
    }
    int StringProg(void *, char *, long, long) override { return 0; }
    int StringCtrl(void *, char *, long) override { return 0; }
    int StringNote(void *out, char *name, long channel, long, long, long note) override
    {
        return out == &other && std::sprintf(name, "ch%ld n%ld", channel, note) > 0;
    }
    char *GetZQSoftSynthName(void *) override { return nullptr; }
    // "other" takes SysEx while its type is 7.
    Quorvane::ISysExPort *GetSysExPort(void *out) override
    {
        return out == &other && otherType == 7 ? &sysExPort : nullptr;
    }

    // The messages sent, in order.
    std::vector<uint32_t> messages() const
    {
        std::vector<uint32_t> out;
        for (const Sent &s : sent)
            out.push_back(s.message);
        return out;
    }

    struct SysExPort : Quorvane::ISysExPort {
        int SendSysEx(long, const unsigned char *data, long length) override
        {
            sent.emplace_back(data, data + length);
            return result;
        }
        std::vector<std::vector<unsigned char>> sent;
        int result = 1;
    };

    int preview = 0, chords = 0, other = 0;
    long otherType = 0;
    // The host extension of "other" (the output an audio track plays on).
    Quorvane::IZQSSExTembri *otherHost = nullptr;
    SysExPort sysExPort;
    std::vector<Sent> sent;
    std::vector<void *> deleted;
    // Called as an output is deleted, to look at what the caller holds.
    std::function<void(void *)> whileDeleting;
    std::vector<long> addedKinds; // of the descriptors AddNewOut was given
};

struct FakeSoundMngr : Quorvane::IQuorvaneSoundMngr {
    int Init(Quorvane::IOPARAMS *) override { return 1; }
    void Release() override {}
    int EngineStart() override { return 1; }
    void EngineStop() override {}
    Quorvane::IQuorvaneSongTract *CreateSongTract(Quorvane::CSong *) override
    {
        ++created;
        return giveTract ? &tract : nullptr;
    }
    void ReleaseSongTract(Quorvane::IQuorvaneSongTract *t) override { released += t == &tract; }
    void SetFrontSongTract(Quorvane::IQuorvaneSongTract *) override {}
    void InactiveSongTract(Quorvane::IQuorvaneSongTract *t) override { inactivated += t == &tract; }
    Quorvane::CSong *GetActiveSong() override { return nullptr; }
    void StartPlayback(Quorvane::IQuorvaneSongTract *) override {}
    void StopPlayback() override {}
    void RewPlayback() override {}
    void FFPlayback() override {}
    int IsWorked() override { return 1; }
    int IsPlayed(Quorvane::CSong *) override { return playing; }
    int IsPlayed() override { return playing; }
    int IsLastPlayed(Quorvane::CSong *) override { return 0; }
    int CanUsePorts(Quorvane::CSong *) override { return 1; }
    char *GetMIDIPortName(int, long) override { return nullptr; }
    long GetMIDIPortID(int, char *) override { return 0; }
    void HoldTransport(int) override {}
    void SetNotify(Quorvane::ASPNotifyProc, ULONG_PTR) override {}

    FakeTract tract;
    bool giveTract = true;
    int playing = 0;
    int created = 0, released = 0, inactivated = 0;
};
