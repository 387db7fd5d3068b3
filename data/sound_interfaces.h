// What the song needs of the sound engine: the sound manager that plays
// songs and the song tract that is one song's sound routing. The sound
// engine implements both; the song only calls them. Outputs, buses and
// effects are opaque handles. User values of callbacks are pointer-sized.
#pragma once

#include <basetsd.h>

namespace Quorvane {

class CSong;
class CEvntTransChain;
struct IOPARAMS;
struct PORTDESCR;
class IQuorvaneSongTract;
class IQuorvaneSoftSynth;
class IQuorvaneAudioEffect;
class IZQSSExEnum;
class IZQSSExTembri;
class IZQAEExTembri;

// The stream provider's notification: (user, and what the provider reports).
using ASPNotifyProc = void (*)(ULONG_PTR user, long, long, float, long, long);
// Called after each mixed buffer while monitoring.
using MonitorProc = void (*)(ULONG_PTR user);

// An output port that takes system-exclusive messages.
class ISysExPort {
public:
    // Sends the message's bytes at once (flags 0); nonzero on success.
    virtual int SendSysEx(long flags, const unsigned char *data, long length) = 0;

protected:
    ~ISysExPort() = default;
};

class IQuorvaneSoundMngr {
public:
    virtual int Init(IOPARAMS *params) = 0;
    virtual void Release() = 0;
    virtual int EngineStart() = 0;
    virtual void EngineStop() = 0;
    virtual IQuorvaneSongTract *CreateSongTract(CSong *song) = 0;
    virtual void ReleaseSongTract(IQuorvaneSongTract *tract) = 0;
    virtual void SetFrontSongTract(IQuorvaneSongTract *tract) = 0;
    virtual void InactiveSongTract(IQuorvaneSongTract *tract) = 0;
    virtual CSong *GetActiveSong() = 0;
    virtual void StartPlayback(IQuorvaneSongTract *tract) = 0;
    virtual void StopPlayback() = 0;
    virtual void RewPlayback() = 0;
    virtual void FFPlayback() = 0;
    virtual int IsWorked() = 0;
    virtual int IsPlayed(CSong *song) = 0;
    virtual int IsPlayed() = 0;
    virtual int IsLastPlayed(CSong *song) = 0;
    virtual int CanUsePorts(CSong *song) = 0;
    virtual char *GetMIDIPortName(int direction, long index) = 0;
    virtual long GetMIDIPortID(int direction, char *name) = 0;
    virtual void SetNotify(ASPNotifyProc callback, ULONG_PTR user) = 0;
    // Starts and stops of playback come one at a time; a caller making one
    // step of several (a jump: a stop and a start) holds the turn (1) across
    // them and gives it back (0). Taken before any song's lock.
    virtual void HoldTransport(int hold) = 0;

protected:
    ~IQuorvaneSoundMngr() = default;
};

class IQuorvaneSongTract {
public:
    // outputs
    virtual void *GetOutPreview() = 0;
    virtual void *GetOutChords() = 0;
    virtual void *GetOutByDescr(PORTDESCR *descriptor) = 0;
    virtual long GetOutNumb(void *out) = 0;
    virtual void *GetOutByNum(long number) = 0;
    virtual void *AddNewOut(PORTDESCR *descriptor) = 0;
    virtual void DeleteOut(void *out) = 0;
    virtual bool SetOutState(void *out, PORTDESCR *descriptor) = 0;
    virtual bool GetOutState(void *out, PORTDESCR *descriptor) = 0;
    virtual void RefreshOut(void *out) = 0;
    // Takes the chain over with its messages.
    virtual void InsertEvents(void *out, CEvntTransChain *chain) = 0;
    virtual void SetMonitor(int on, MonitorProc callback, ULONG_PTR user) = 0;
    virtual long GetOutType(void *out) = 0;
    // The first output for null, null after the last.
    virtual void *GetNextOut(void *out) = 0;
    virtual IQuorvaneSoftSynth *GetISoftSynth(void *out) = 0;
    virtual IZQSSExEnum *GetISSExEnum(void *out) = 0;
    virtual IZQSSExTembri *GetISSExTembri(void *out) = 0;
    virtual int GetOutDescr(void *out, PORTDESCR *descriptor, int withState) = 0;
    virtual long GetOutInfo(void *out, char *name, long &instance) = 0;
    virtual long GetOutBus(void *out) = 0;
    virtual int ReconnectOutAndBus(void *out, void *fromBus, void *toBus) = 0;
    // buses (a null bus is the master)
    virtual long GetNumBuses() = 0;
    virtual void *GetBusByNumb(long number) = 0;
    virtual void *GetNextBus(void *bus) = 0;
    virtual long GetBusInfo(void *bus, float &volume, float &pan, long &effects) = 0;
    virtual void SetBusInfo(void *bus, float volume, float pan) = 0;
    virtual void GetBusLevel(void *bus, float &peakLeft, float &peakRight, long &holdLeft,
                             long &holdRight) = 0;
    virtual int AddNewBus() = 0;
    virtual int DeleteBus(void *bus) = 0;
    // effects
    virtual void *GetSEffectByNumb(void *bus, long number) = 0;
    virtual void *GetNextSEffect(void *bus, void *effect) = 0;
    virtual IQuorvaneAudioEffect *GetIAudioEffect(void *effect) = 0;
    virtual IZQAEExTembri *GetIAEExTembri(void *effect) = 0;
    virtual int GetSEffectDescr(void *effect, PORTDESCR *descriptor, int withState) = 0;
    virtual long GetSEffectInfo(void *effect, char *name, int &enabled) = 0;
    virtual void SetSEffectInfo(void *effect, int enabled) = 0;
    virtual void *AddNewSEffect(void *bus, void *after, PORTDESCR *descriptor) = 0;
    virtual int DeleteSEffect(void *bus, void *effect) = 0;
    virtual int MoveSEffect(void *bus, void *effect, int up) = 0;
    virtual bool SetSEffectState(void *effect, PORTDESCR *descriptor) = 0;
    virtual bool GetSEffectState(void *effect, PORTDESCR *descriptor) = 0;
    // offline rendering
    virtual int SetRenderMode(int on) = 0;
    virtual void RenderBuffer(float *buffer, long frames) = 0;
    // names of what an output offers; 1 when a name was written
    virtual int IsBanksEnumed(void *out) = 0;
    virtual int IsNotesEnumed(void *out, long channel, long bank, long program) = 0;
    virtual int EnumBanks(void *out, long index, char *name, long &number) = 0;
    virtual int StringBank(void *out, char *name, long bank) = 0;
    virtual int StringProg(void *out, char *name, long bank, long program) = 0;
    virtual int StringCtrl(void *out, char *name, long controller) = 0;
    virtual int StringNote(void *out, char *name, long channel, long bank, long program, long note) = 0;
    virtual char *GetZQSoftSynthName(void *out) = 0;
    // The port of an output that takes SysEx (a MIDI port, type 7), or
    // null.
    virtual ISysExPort *GetSysExPort(void *out) = 0;

protected:
    ~IQuorvaneSongTract() = default;
};

} // namespace Quorvane
