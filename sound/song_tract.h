// One song's sound routing inside the engine: its outputs (soft synths with
// their message queues), its buses (each a mix of outputs and a chain of
// effects with level and pan) and the master effects after the sum of all
// buses. The render thread mixes it under the tract's lock; every change
// made on the user-interface thread takes the same lock, but only to link
// or unlink what it made or destroys without it: modules are loaded, set
// up and freed with the lock let go. Outputs, buses and effects are handed
// out as opaque handles.
//
// Lock order: a song's mutex before its tract's lock; nothing here takes
// the song's mutex while holding the tract's.
#pragma once

#include "data/chain.h"
#include "data/lock.h"
#include "data/sound_interfaces.h"
#include "sound/sbus_elem.h"
#include "sound/seffect_elem.h"
#include "sound/ssynth_elem.h"
#include "sound/tindrel_api.h"

#include <cstdint>

namespace Quorvane {

class CSoundMngr;

class TINDREL_API CSongTract : public IQuorvaneSongTract, public CChainElem {
public:
    CSongTract(CSoundMngr *manager, CSong *song);
    ~CSongTract() override;
    CSongTract(const CSongTract &) = delete;
    CSongTract &operator=(const CSongTract &) = delete;
    long Compare(CChainElem *) override { return 0; }

    // The lock, the default bus and the preview output on it; 0 on failure
    // (the manager deletes the tract then).
    int Init();
    // Mixes one buffer (frames are cut to the block size); nonzero when it
    // holds sound. Without sound the buffer is left as it was.
    int FillAccum(float *buffer, long frames, int holdsSound, int64_t blockStart, int fromRender);
    void StartPlayback();
    void StopPlayback();
    // Every output's queue emptied (its note-offs sent) once the engine has
    // stopped: the queues hold engine frame positions, which start again
    // from 0. A tract rendering off line keeps its own positions.
    void DropQueues();
    // Tells every output and effect; buses get new buffers when the frames
    // changed. 0 when a buffer could not be had.
    int UpdateIOParams(int framesChanged, int rateChanged);
    CSong *GetSong() const { return song; }
    SYNCOBJECT *GetSyncObj() const { return syncObject; }

    // --- outputs
    void *GetOutPreview() override;
    void *GetOutChords() override;
    void *GetOutByDescr(PORTDESCR *descriptor) override;
    long GetOutNumb(void *out) override;
    void *GetOutByNum(long number) override;
    void *AddNewOut(PORTDESCR *descriptor) override;
    void DeleteOut(void *out) override;
    bool SetOutState(void *out, PORTDESCR *descriptor) override;
    bool GetOutState(void *out, PORTDESCR *descriptor) override;
    void RefreshOut(void *out) override;
    void InsertEvents(void *out, CEvntTransChain *chain) override;
    void SetMonitor(int on, MonitorProc callback, ULONG_PTR user) override;
    long GetOutType(void *out) override;
    void *GetNextOut(void *out) override;
    IQuorvaneSoftSynth *GetISoftSynth(void *out) override;
    IZQSSExEnum *GetISSExEnum(void *out) override;
    IZQSSExTembri *GetISSExTembri(void *out) override;
    int GetOutDescr(void *out, PORTDESCR *descriptor, int withState) override;
    long GetOutInfo(void *out, char *name, long &instance) override;
    long GetOutBus(void *out) override;
    int ReconnectOutAndBus(void *out, void *fromBus, void *toBus) override;
    // --- buses
    long GetNumBuses() override;
    void *GetBusByNumb(long number) override;
    void *GetNextBus(void *bus) override;
    long GetBusInfo(void *bus, float &volume, float &pan, long &effects) override;
    void SetBusInfo(void *bus, float volume, float pan) override;
    void GetBusLevel(void *bus, float &peakLeft, float &peakRight, long &holdLeft, long &holdRight) override;
    int AddNewBus() override;
    int DeleteBus(void *bus) override;
    // --- effects
    void *GetSEffectByNumb(void *bus, long number) override;
    void *GetNextSEffect(void *bus, void *effect) override;
    IQuorvaneAudioEffect *GetIAudioEffect(void *effect) override;
    IZQAEExTembri *GetIAEExTembri(void *effect) override;
    int GetSEffectDescr(void *effect, PORTDESCR *descriptor, int withState) override;
    long GetSEffectInfo(void *effect, char *name, int &enabled) override;
    void SetSEffectInfo(void *effect, int enabled) override;
    void *AddNewSEffect(void *bus, void *after, PORTDESCR *descriptor) override;
    int DeleteSEffect(void *bus, void *effect) override;
    int MoveSEffect(void *bus, void *effect, int up) override;
    bool SetSEffectState(void *effect, PORTDESCR *descriptor) override;
    bool GetSEffectState(void *effect, PORTDESCR *descriptor) override;
    // --- offline rendering
    int SetRenderMode(int on) override;
    void RenderBuffer(float *buffer, long frames) override;
    // --- names
    int IsBanksEnumed(void *out) override;
    int IsNotesEnumed(void *out, long channel, long bank, long program) override;
    int EnumBanks(void *out, long index, char *name, long &number) override;
    int StringBank(void *out, char *name, long bank) override;
    int StringProg(void *out, char *name, long bank, long program) override;
    int StringCtrl(void *out, char *name, long controller) override;
    int StringNote(void *out, char *name, long channel, long bank, long program, long note) override;
    char *GetZQSoftSynthName(void *out) override;
    // A MIDI output's port object of the MIDI output module, for the port
    // the output plays to; null for any other output.
    ISysExPort *GetSysExPort(void *out) override;

    CSoundMngr *manager;
    CSong *song;
    CSSynthChain outputs;
    CSBusChain buses;
    CSEffectChain masterEffects;
    // The tract's lock: taken after the song's lock, never before it.
    SYNCOBJECT *syncObject = nullptr;
    int monitor = 0;
    MonitorProc monitorCallback = nullptr;
    ULONG_PTR monitorUser = 0;
    int renderMode = 0;
    int64_t renderPosition = 0;

private:
    // The handle as an element of this tract, or null.
    CSSynthElem *output(void *out) const;
    CSBusElem *bus(void *handle) const;
    // The chain of a bus handle (null: the master's).
    CSEffectChain *effectChain(void *handle);
    CSEffectElem *effectIn(CSEffectChain *chain, void *effect) const;
    CSEffectElem *effect(void *effect);
    // The output on the bus and on no other; under the lock.
    int connect(CSSynthElem *out, CSBusElem *to);
    // The song-modified callback and the song into a new module object.
    void setHost(IQuorvaneSoftSynth *synth);
    void setHost(IQuorvaneAudioEffect *effect);
    // Out of the tract and off every bus, under the lock, for the caller
    // to destroy without it.
    CSSynthElem *takeOutput(CSSynthElem *out);
    // Transport news to every output's host extension.
    void notifyTransport(long code);

    // Frames every bus buffer and synth block holds now.
    long blockFrames = 0;
};

// What modules call when their user changed something; code 2 marks the
// song (the user value) modified.
void SongModifiedCallback(unsigned long index, long code, ULONG_PTR user);

} // namespace Quorvane
