// The song document: its tracks in id order (the master track with id 0, at
// most one chord track, any others), its I/O parameters, texts, SysEx list
// and pattern pool, the time selection, the transport position and the
// callbacks through which the program follows playback. It carries the song
// mutex that serialises the sound engine's thread against changes.
#pragma once

#include "data/chain.h"
#include "data/corvadel_api.h"
#include "data/io_params.h"
#include "data/lock.h"
#include "data/pattern.h"
#include "data/song_info.h"
#include "data/sysex.h"
#include "data/tembri_song.h"
#include "data/undo.h"

#include <basetsd.h>
#include <guiddef.h>

#include <cstdint>

namespace Quorvane {

class CSong;
class CTrack;
class CTrackMaster;
class CTrackAudio;
struct ASKPLAYBACK;
class CStorage;
class IQuorvaneSoundMngr;
class IQuorvaneSongTract;

using UpdateModifiedFn = void (*)(ULONG_PTR user);
using LoopFlipFn = void (*)(CSong *song, ULONG_PTR user);
using PlayPositionFn = void (*)(void *user);

// Bars of a song without a master track, and how far the play range reaches
// beyond the song end.
constexpr long kBarWithoutMaster = 3840;
constexpr long kPlayRangeBars = 128;

// Fields of the song file's application record and of a New Song template.
constexpr int kAppFields = 6;

class CORVADEL_API CSong : public CChain, public CUndo, public ITembriSong {
    friend class CSMFDecoder;

public:
    // Copies the parameters; the sound manager is not owned.
    CSong(const IOPARAMS *params, IQuorvaneSoundMngr *soundManager);
    ~CSong() override;

    // A song tract from the sound manager and a default master track; 0 on
    // failure (nothing is left then).
    int SetDefault();
    // Gives the tract back and destroys every track.
    void Clear();
    // Only the master track, with its defaults. The other tracks leave
    // under the song's lock and are destroyed after it is let go.
    void ZeroSong();

    // --- tracks
    // Into id order, before a track of equal id; then, with shiftIds or a
    // clash, every following track's id grows by one. 0 for a second master
    // or chord track, or a master track with another id than 0.
    int InsertTrack(CTrack *track, int shiftIds);
    // A new track of kind 1..7 (see CTrack), selected; id -1 after the
    // last. Null for another kind, a second chord track or on failure.
    // Made and set up (an audio track's output opened) without the song's
    // lock, which the render thread plays under; linked under it.
    CTrack *InsertNewTrack(long kind, long id, int flags);
    // InsertNewTrack in its two steps, for a caller that links under a
    // hold of its own: the track made and set up, not yet the song's (null
    // for another kind, a second chord track or on failure); then linked,
    // selected and counted under the song's lock (0 when the song refuses
    // it: the caller destroys it then).
    CTrack *MakeNewTrack(long kind, long id);
    int LinkNewTrack(CTrack *track);
    // Destroys the track; with shiftIds the following ids drop by one. An
    // audio track's output goes too when no other track plays on it.
    // Returns the following track. The track leaves under the song's lock
    // and is destroyed (drummers released, modules freed) after it; a
    // caller does not hold the lock.
    CTrack *DeleteTrack(CTrack *track, int shiftIds);
    // DeleteTrack in its two steps: the track leaves the song under its
    // lock (the following track returned); then, without the lock, a track
    // that is not the song's is destroyed with the output made for it.
    CTrack *DetachTrack(CTrack *track, int shiftIds);
    void DestroyTrack(CTrack *track);
    CTrack *GetTrack(long id) const;
    // The first track that plays on the output, or null.
    CTrack *TrackOn(void *out) const;
    // The first for null, null after the last.
    CTrack *GetNextTrack(CTrack *after) const;
    CTrack *GetNextTrack(unsigned long kind, CTrack *after) const;
    CTrack *GetPrevTrack(CTrack *before) const;
    CTrack *GetNextSelectedTrack(CTrack *after) const;
    CTrackMaster *GetTrackMaster() const;
    CTrack *GetTrackChords() const;
    long GetNumTracks() const { return numTracks; }
    long GetNumSelected() const { return numSelected; }
    // 1 when tracks exist that need a chord track.
    int NeedChords() const;
    // Sets or clears the selected bit; withEvents selects the events inside
    // the time selection (and clears the rest).
    void SelectTrack(CTrack *track, int select, int withEvents);
    // Solo mode: some track has its solo bit.
    int CheckSolo();
    // Tracks and SysEx entries using the output lose it (tracks get the
    // preview output) under the song's lock, then the tract deletes it; a
    // caller does not hold the lock, so that the output's module is freed
    // without it. 1 when a track used it.
    int DeleteOutPort(void *out);
    // Imports a Standard MIDI File after deselecting every track; 1 on
    // success.
    int ImportSMF(CStorage *storage);
    // Imports a WAVE file into an audio track, after deselecting every
    // track: the first audio track without events or samples, else a new
    // one (which goes again when the import gave it nothing). 1 on success.
    int ImportWave(CStorage *storage);
    // Imports plain text as lyrics, after deselecting every track: into the
    // first melody and lyrics track without events or text, else a new one
    // (which goes again when the text cannot be read). 1 on success.
    int ImportText(CStorage *storage);
    // Rebuilds the nodes of every lyrics track against the chord track; 1
    // when every one succeeded.
    int UpdateNodes();
    // The default MIDI output: there is none.
    int GetDefMIDIOut(PORTDESCR *descriptor);
    // Recounts tracks, and the song end (rounded up to a bar) and play range
    // end (128 bars later); 1 when any changed.
    int Update();
    // New I/O parameters: the maps follow and, with a new time base or
    // sample rate, every track converts. 0 as soon as one fails.
    int UpdateIOParams(const IOPARAMS *params);
    // 0 when unchanged; (-1, -1) clears it.
    int SetTimeSelection(long start, long end);
    int IsTimeSelection() const { return selectionStart < selectionEnd; }
    // The ticks playback loops over: the time selection, else the whole
    // song; 0 when it does not loop.
    int GetLoopRange(long &start, long &end) const
    {
        start = IsTimeSelection() ? selectionStart : 0;
        end = IsTimeSelection() ? selectionEnd : songEnd;
        return loop && end > start;
    }

    uint64_t GetEdition() const { return edition; }
    void UpdateEdition() { ++edition; }
    SYNCOBJECT *GetSyncObj() const { return syncObject; }
    long GetTimeBase() const { return params.timeBase; }
    long GetSPS() const { return params.sampleRate; }
    long GetBuffSamples() const { return params.bufferFrames; }
    const char *GetWaveDir() const { return params.strings[IOSTR_WAVEDIR]; }
    const IOPARAMS &GetIOParams() const { return params; }
    IQuorvaneSoundMngr *GetSoundMngr() const { return soundManager; }
    IQuorvaneSongTract *GetSongTract() const { return songTract; }

    void SetUpdateModifiedFn(UpdateModifiedFn fn, ULONG_PTR user);
    void SetLoopFlipFn(LoopFlipFn fn, ULONG_PTR user);
    void SetPlaySPtrCallback(PlayPositionFn fn, void *user);

    // The sound engine's view, activated.
    ITembriSong *GetITembriSong();

    // --- playback (each under the song lock)
    // Caches the master track and prepares every track from the play start
    // tick; 0 when a track refuses or there is no master track. Called while
    // the render thread does not play the song: the MIDI tracks' effects
    // (program code, such as the drummers) hear of the start after the lock
    // is let go.
    int OnStartPlayback();
    // Called once the render thread plays the song no more (the sound
    // manager stops asking it first); the MIDI tracks' effects hear of the
    // stop after the lock is let go.
    void OnStopPlayback();
    // To the nearest mark before or after the play start tick: the song's
    // start, the time selection's ends, the last start, the song end.
    void OnRewPlayback();
    void OnFFPlayback();
    // Playing, playback restarts there; else the play start tick moves.
    void JumpSongPtr(long tick);
    int IsPlayed();
    // The sound engine's request for the messages of the next buffer of
    // frames; on the render thread.
    void AskPlayback(long frames);
    // One time cell: every track in id order.
    void AskPlaybackTimeCell(ASKPLAYBACK *cell);
    // The selected tracks played off line from the song's start into a new
    // audio track (the sound tails after the song end included, the last
    // frames faded out); null on failure, and null at once while the song
    // plays live or renders already: one play position cannot serve both.
    CTrackAudio *RenderSelectedTracks();

    // --- undo: what a change is about to touch gets a new edition.
    int StoreTempUndo(char *caption, long what) override;

    // --- ITembriSong
    int SongActivate() override;
    long SongGetTimeBase() override;
    long SongGetSPS() override;
    void SongGetMBTFromTime(long tick, long &bar, long &beat, long &tickInBeat) override;
    long SongGetTimeFromMBT(long bar, long beat, long tickInBeat) override;
    long SongGetNumMeters() override;
    long SongGetMeterIndexAtTime(long tick) override;
    int SongGetMeterByIndex(long index, QUICKMETER &meter) override;
    long SongGetNumTonals() override;
    long SongGetTonalIndexAtTime(long tick) override;
    int SongGetTonalByIndex(long index, QUICKTONAL &tonal) override;
    int64_t SongGetSampleFromTime(long tick) override;
    long SongGetTimeFromSample(int64_t sample) override;
    long SongGetNumTempos() override;
    long SongGetTempoIndexAtTime(long tick) override;
    int SongGetTempoByIndex(long index, QUICKTIMER &timer) override;
    float SongGetTempoNow() override;
    void SongSetModified() override;
    void SongPlayMMsg(unsigned long track, unsigned long message) override;

    // Fields in their order.
    uint64_t edition = 0;
    // The song lock: taken before the tract's lock and a wave's, never
    // while holding either.
    SYNCOBJECT *syncObject = nullptr;
    UpdateModifiedFn updateModifiedFn = nullptr;
    ULONG_PTR updateModifiedUser = 0;
    LoopFlipFn loopFlipFn = nullptr;
    ULONG_PTR loopFlipUser = 0;
    long numTracks = 0;
    long numSelected = 0;
    IOPARAMS params;
    SONGINFO songInfo;
    CSysEx sysEx;
    CPatternPool patterns;
    long playStartTick = 0;
    long lastStartTick = 0;
    long selectionStart = -1;
    long selectionEnd = -1;
    long songEnd = 0;
    long playRangeEnd = 0;
    int64_t currentSample = 0;
    long currentTick = 0;
    CTrackMaster *master = nullptr;
    PlayPositionFn playPositionFn = nullptr;
    void *playPositionUser = nullptr;
    long jumped = 0;
    IQuorvaneSoundMngr *soundManager;
    IQuorvaneSongTract *songTract = nullptr;
    long metronome = 0;
    float tempoFactor = 1.0f;
    long loop = 0;
    long soloMode = 0;
    float lastFactor = 1.0f;
    int64_t endOfPlayLimit = INT64_MAX;
    // Kept for the equipment database: the id of the song's record file,
    // the song file's application record, and the time base and sample rate
    // a New Song template stores.
    GUID songFileId = {};
    unsigned long appFields[kAppFields] = {};
    long templateTimeBase;
    long templateSampleRate;
    // Set while RenderSelectedTracks plays the song off line, under the song
    // lock: playback does not start then (but for the render's own start,
    // while startingRender is set), and the transport marks stay.
    long rendering = 0;
    long startingRender = 0;

protected:
    // The first empty track of the kind (selected), else a new one after the
    // last. An audio track must hold no samples either.
    CTrack *GetTrackForImport(long kind);
    // Clears the time selection and deselects the tracks as asked; 1 when
    // anything changed.
    int ResetSelection(int tracks, int timeSelection);
    // The track list's invariants for a newcomer.
    int CanInsert(const CTrack *track) const;
    // Transport news to every output's host extension.
    void notifyOutputs(long code, long tick, long position, float factor);
    // The MIDI tracks' online effects told of a start or a stop (MEFF_START
    // or MEFF_STOP) at the current tick.
    void tellEffects(long state);
    // The nearest transport mark after (forward) or before the play start.
    void moveToMark(int forward);
    // RenderSelectedTracks once it holds the play position.
    CTrackAudio *renderSelected();
};

// A track of a kind other than the master; null for kinds not offered.
CORVADEL_API CTrack *CreateTrack(long kind, unsigned long id, CSong *song);

} // namespace Quorvane
