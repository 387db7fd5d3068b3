#include "bridge/common/bridge_segmenter.h"

namespace Halvorin {

void BridgeSegmenter::Reset(int32_t mode)
{
    block.noteCode = kNoteNone;
    block.position = 0;
    block.bend = block.mod = 0;
    block.mode = mode;
    currentBend = currentMod = 0;
    sustain = false;
    heldNote = kNoNote;
}

void BridgeSegmenter::Begin(const HalvorinConnection &provider, int32_t mode, float *a, float *b, int frames)
{
    provider_ = &provider;
    block.mode = mode;
    block.bufferA = a;
    block.bufferB = b;
    frames_ = frames > 0 ? frames : 0;
    sent_ = 0;
    stopped_ = started_ = false;
}

void BridgeSegmenter::TransportStopped()
{
    block.noteCode = kNoteTransportStopped;
    heldNote = kNoNote;
    stopped_ = true;
}

void BridgeSegmenter::Note(const EventPlace &at, int note, int velocity)
{
    if (stopped_)
        return;
    if (velocity > 0) {
        send(at, true, note, velocity);
        return;
    }
    if (heldNote == note)
        heldNote = kNoNote;
    // Held back while the pedal is down; a note already replaced by another
    // one is not released.
    if (block.noteCode == note && !sustain)
        send(at, false, note, 0);
}

void BridgeSegmenter::Pedal(const EventPlace &at, bool down)
{
    if (down)
        sustain = true;
    else
        pedalUp(at);
}

void BridgeSegmenter::ResetControllers(const EventPlace &at)
{
    currentBend = currentMod = 0;
    pedalUp(at);
}

void BridgeSegmenter::pedalUp(const EventPlace &at)
{
    if (!sustain)
        return;
    sustain = false;
    // The note whose release the pedal held back.
    if (heldNote == kNoNote && block.noteCode < 128)
        send(at, false, block.noteCode, 0);
}

void BridgeSegmenter::cut(const EventPlace &at)
{
    // An event past the block's end cuts no further than the end.
    const int offset = at.offset < frames_ ? at.offset : frames_;
    if (offset - sent_ <= 0)
        return;
    if (at.endingPosition)
        block.position = *at.endingPosition;
    segment(offset - sent_);
    block.bend = currentBend;
    block.mod = currentMod;
    sent_ = offset;
}

void BridgeSegmenter::send(const EventPlace &at, bool noteOn, int note, int velocity)
{
    cut(at);
    if (noteOn) {
        heldNote = block.noteCode = note;
        block.velocity = velocity;
    } else {
        block.noteCode = kNoteNone;
        block.velocity = 0;
        heldNote = kNoNote;
    }
    if (at.startingPosition)
        block.position = *at.startingPosition;
}

void BridgeSegmenter::segment(int frames)
{
    block.frames = frames;
    provider_->Request(kOpRender, &block);
    const int floats = block.mode == kModeInterleaved ? 2 * frames : frames;
    if (block.bufferA)
        block.bufferA += floats;
    if (block.bufferB)
        block.bufferB += floats;
}

void BridgeSegmenter::End()
{
    if (started_ && block.noteCode >= kNoteNone) {
        block.noteCode = kNoteTransportStopped;
        heldNote = kNoNote;
    }
    if (frames_ - sent_ > 0)
        segment(frames_ - sent_);
    sent_ = frames_;
    block.velocity = 0;
    block.bend = currentBend;
    block.mod = currentMod;
}

} // namespace Halvorin
