#include "app/transport.h"

#include "app/files/result_export.h"
#include "data/evnt_trans.h"

namespace Quorvane {

namespace {

// Drummer parameters the transport feeds.
constexpr long kStartVelocityParam = 6;
constexpr long kBendParam = 7;
constexpr long kModulationParam = 8;
// The accent's channel when the part's track has none of 1..15.
constexpr long kDrumChannel = 9;

} // namespace

bool IsBlackKey(long note)
{
    switch (((note % 12) + 12) % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

void Transport::TogglePlay()
{
    if (host_.IsPlaying())
        Stop();
    else
        Start();
}

void Transport::Start()
{
    if (host_.IsBusy())
        return;
    const long velocity = options_.trgVelo ? triggerVelocity_ : options_.veloStat;
    const int part = host_.SelectedPart();
    if (options_.accent && options_.accThreshold <= triggerVelocity_) {
        accentVelocity_ = options_.accVelocity;
        accentNote1_ = options_.accNote1;
        accentNote2_ = IsBlackKey(part) ? options_.accNote2b : options_.accNote2a;
        accentStart_ = pendingOffset_;
        cutTime_ = accentStart_ + (host_.TicksPerQuarter() >> options_.accDuration);
        accentSamples_ = host_.SamplesOfTicks(cutTime_ - accentStart_ - 1);
        const long channel = host_.PartChannel(part);
        accentChannel_ = channel >= 0 && channel <= 14 ? channel : kDrumChannel;
        cut_ = accent_ = true;
    } else {
        cut_ = accent_ = false;
    }
    applyPendingTempo();
    host_.SetDrummerParam(part, kStartVelocityParam, velocity);
    host_.SetDrummerParam(part, kBendParam, options_.extPitch ? lastBend_ : 0);
    host_.SetDrummerParam(part, kModulationParam, lastMod_);
    triggerVelocity_ = options_.veloStat;
    const long offset = pendingOffset_;
    pendingOffset_ = 0;
    host_.StartPlayback(offset);
    host_.Redraw();
}

void Transport::Stop()
{
    host_.StopPlayback();
    applyPendingTempo();
    cut_ = accent_ = false;
    host_.Redraw();
}

void Transport::applyPendingTempo()
{
    if (!tempoPending_)
        return;
    host_.EraseInsertedTempos();
    host_.WriteFirstTempo(tempo_);
    tempoPending_ = false;
}

long Transport::hostPositionInLoop(long position)
{
    const long loop = host_.LoopLength();
    if (loop < 1)
        return 0;
    const int64_t ticks = static_cast<int64_t>(host_.TicksPerQuarter()) * position / kHostTicksPerQuarter;
    return static_cast<long>(((ticks % loop) + loop) % loop);
}

void Transport::OnHostNotify(unsigned long noteCode, long position, float tempo, long bend, long mod)
{
    if (tempo > 0.0f && tempo != tempo_)
        SetTempo(tempo);
    const int part = host_.SelectedPart();
    if (bend != kHostUnchanged && options_.extPitch) {
        lastBend_ = bend;
        host_.SetDrummerParam(part, kBendParam, bend);
    }
    if (mod != kHostUnchanged) {
        lastMod_ = mod;
        host_.SetDrummerParam(part, kModulationParam, mod);
    }
    const unsigned long code = noteCode & 0xFFFF;
    switch (code) {
    case kHostNoNote:
        return;
    case kHostStop:
    case kHostStop2:
        if (host_.IsPlaying())
            Stop();
        pendingOffset_ = 0;
        return;
    case kHostStartAt:
        if (host_.IsPlaying())
            Stop();
        pendingOffset_ = hostPositionInLoop(position);
        Start();
        return;
    case kHostRelocate:
        host_.JumpSongPtr(hostPositionInLoop(position));
        return;
    default:
        break;
    }
    // A note: its part plays from where the last one was within the loop
    // (or within the first measure with "Latch").
    if (host_.IsPlaying()) {
        pendingOffset_ = host_.SongPosition();
        Stop();
    } else {
        pendingOffset_ = 0;
    }
    const int newPart = static_cast<int>(code % 12);
    if (newPart != part)
        host_.SwitchPart(newPart, options_.autoSwitch ? 1 : 0, false);
    if (pendingOffset_ != 0) {
        const long period = options_.latch ? host_.MeasureLength() : host_.LoopLength();
        pendingOffset_ = period < 1 ? 0 : pendingOffset_ % period;
    }
    triggerVelocity_ = static_cast<long>(noteCode >> 16);
    Start();
}

void Transport::SetTempo(float beatsPerMinute)
{
    if (!(beatsPerMinute >= kMinTempo && beatsPerMinute <= kMaxTempo))
        return;
    tempo_ = beatsPerMinute;
    if (!host_.IsPlaying() || host_.SongPosition() == 0) {
        host_.WriteFirstTempo(beatsPerMinute);
    } else {
        host_.InsertTempoHere(beatsPerMinute);
        tempoPending_ = true;
    }
}

void Transport::OnLoopFlip()
{
    applyPendingTempo();
    cut_ = accent_ = false;
}

CEvntTransChain *Transport::FilterBlock(CEvntTransChain *chain, long tick, long endTick)
{
    if (cut_) {
        if (endTick > cutTime_)
            cut_ = false;
        else if (chain)
            chain->Clear(nullptr); // every event lies before the cut
    }
    if (accent_ && tick <= accentStart_ && accentStart_ <= endTick) {
        CEvntTransChain *notes = nullptr;
        // Added at the head: the note-offs first, so the chain ends in
        // time order.
        const struct {
            int64_t sample;
            long note;
            long velocity;
        } accent[] = {{accentSamples_, accentNote2_, 0},
                      {accentSamples_, accentNote1_, 0},
                      {0, accentNote2_, accentVelocity_},
                      {0, accentNote1_, accentVelocity_}};
        for (const auto &a : accent)
            if (CEvntTransElem *e = CEvntTransChain::AddNewEvntTransElem(a.sample, &notes))
                e->SetNote(a.note, 0, a.velocity, accentChannel_);
        if (notes) {
            if (chain)
                chain->EatOther(notes, 0);
            else
                chain = notes;
        }
        accent_ = false;
    }
    if (!chain)
        return nullptr;
    for (CEvntTransElem *e = chain->GetFirstElem(); e;) {
        auto *next = static_cast<CEvntTransElem *>(e->next);
        if (LeftOutOfPart(e->Byte(0)))
            chain->Delete(e, 1);
        e = next;
    }
    if (!chain->GetFirst()) {
        delete chain;
        return nullptr;
    }
    return chain;
}

} // namespace Quorvane
