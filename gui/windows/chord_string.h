// Two arrays the note-oriented editor windows share: the song cut into
// rows of whole bars, as a lead sheet is printed, so that a window can show
// the song as lines of bars that wrap at its width; and the rectangles of
// the notes a window has drawn, so that a click can be matched to its note
// and to the part of it that was hit.
#pragma once

#include "data/struct_array.h"
#include "gui/draw/draw_types.h"
#include "gui/pannikel_api.h"

namespace Quorvane {

class CSong;
class CTrackMaster;
struct EVENT;

// The key of a row that continues the key of the row before.
constexpr long kKeyContinues = static_cast<long>(0x80000000u);

struct PANNIKEL_API CHORDSTRING : public STRUCTELEM {
    long time = 0; // tick of the row's first bar
    long bar = 0;  // index of the row's first bar, from 0
    long bars = 1; // bars in the row
    long ticksPerBar = 0;
    long ticksPerBeat = 0;
    long kSign = 15; // key index, with kKeyContinues
};

class PANNIKEL_API CChordString : public CStructArray {
public:
    CChordString() : CStructArray(sizeof(CHORDSTRING), 128) {}

    // 0 when the song has no track.
    int Init(CSong *song);
    // 1 when the meter or key map changed since the last layout.
    int NeedResize() const;
    // Lays the rows out: as many whole bars a row as fit in width less the
    // left band and 12 pixels, at least one; a meter or key change starts a
    // new row; a partial last bar gets none. height is not used.
    void Resize(long width, long height, long zoom, long leftBandWidth);
    long GetSizeW() const { return maxWidth + 12; }
    long GetSizeH(long noteRowHeight) const;
    int AddToTail(CHORDSTRING *row) { return Insert(count, 1, row); }
    CHORDSTRING *GetAt(long i) const
    {
        return i >= 0 && i < count ? static_cast<CHORDSTRING *>(GetElementAt(i)) : nullptr;
    }

    CTrackMaster *master = nullptr;
    CSong *song = nullptr;
    long meterStamp = -1;
    long keyStamp = 32767;
    long maxWidth = 0;
};

// What part of a note a point hit.
enum : long { NOTE_START = 4, NOTE_BODY = 5, NOTE_END = 6 };

struct PANNIKEL_API QUADNOTE : public STRUCTELEM {
    QUAD quad{0, 0, 0, 0};
    EVENT *event = nullptr;
};

class PANNIKEL_API CQuadNotes : public CStructArray {
public:
    CQuadNotes() : CStructArray(sizeof(QUADNOTE), 32) {}

    void ResetContent()
    {
        Clear();
        counter = 0;
    }
    int AddToTail(const QUAD *quad, EVENT *event);
    QUADNOTE *GetFirst(long &n) const
    {
        n = count;
        return count ? static_cast<QUADNOTE *>(GetElementAt(0)) : nullptr;
    }
    QUADNOTE *GetAt(long i) const
    {
        return i >= 0 && i < count ? static_cast<QUADNOTE *>(GetElementAt(i)) : nullptr;
    }
    // The note whose rectangle holds the point (edges included), or null;
    // the rectangles lie in the order of their left edges. part: the end
    // within a grip of a third of the width (1..8 pixels), the start within
    // one, else the body.
    EVENT *IsPtInNote(long x, long y, long &part) const;

    // For the owner's gestures.
    long counter = 0;
};

} // namespace Quorvane
