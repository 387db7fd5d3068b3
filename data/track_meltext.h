// The melody and lyrics track: melody events (special type 15; value 0 a
// pause, v > 0 the note v - 1) and the lyrics text whose nodes are sung on
// them, with the time nodes that give each text node its tick.
#pragma once

#include "data/corvadel_api.h"
#include "data/lyrics_text.h"
#include "data/text_nodes.h"
#include "data/track.h"

namespace Quorvane {

class CTrackChords;

class CORVADEL_API CTrackMelText : public CTrack {
public:
    CTrackMelText(unsigned long id, CSong *song) : CTrack(id, TRACK_MELTEXT, song) {}

    // "Lyric", use-S, channel 0, a melody pause at tick 0, the tract's
    // preview output.
    int SetDefault() override;
    int HaveData() override;
    // The last event, or the next bar after a last melody note.
    int UpdateLastTime() override;
    // A melody event at tick 0 and no pause right after another.
    int CheckInitial(int adjustChannel) override;

    long GetMelodyAtTime(long tick, long endTick);
    // The melody event GetMelodyAtTime (from, to) finds becomes a pause when
    // its note lies in low..high; 1 when it did.
    int SetPauseByRange(long from, long to, long low, long high);

    // Time nodes from the chord track's chords and this track's events, then
    // the text trimmed to as many nodes; 0 when a node cannot be added.
    int UpdateNodes(CTrackChords *chords);
    int CanNewTextNode() const { return text.GetNumNodes() < timeNodes.GetNumb(); }
    int CanDelTextNode() const { return text.GetNumNodes() > 1; }
    TEXTNODE *GetTextNode(long index) const { return text.GetTextNode(index); }
    // The node drawn at pixel x (a node's left edge is its tick divided by
    // ticksPerPixel), looked for from firstNode on. Mode 0: the first whose
    // text (lyrics font: mode 1) reaches x; 2: the node whose text holds x,
    // mode becoming x's offset in it; 3: the nearest. -1 when none.
    long GetTextNodeFromX(long x, long ticksPerPixel, long &mode, long firstNode);
    // The text position at xOffset pixels into the node: 1 when it lies in
    // the node and its line exists.
    int GetStrChrInNode(long node, long xOffset, long &line, long &index);
    // The time node of the text node starting at (line, index), or null.
    TIMENODE *GetTimeNode(long line, long index);
    // Playback: each melody note until the next melody event.
    int OnStartPlayback() override;
    void AskPlayback(ASKPLAYBACK *cell) override;

    CText text;
    CTimeNodes timeNodes;
    long melodyNow = -1;
    long cache = 0;
};

} // namespace Quorvane
