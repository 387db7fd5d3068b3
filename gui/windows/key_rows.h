// The 128 key rows of the piano-roll windows (MIDI and melody-text): the
// keyboard in the left band and the rows' shading across the data area,
// by black keys or by each note's degree in the key signature in force.
// Note n's row starts at origin + (127 - n) * rowH.
#pragma once

#include "gui/draw/draw_types.h"

namespace Quorvane {

class CGUIContext;
class CTimeLine;
class CAbstWindow;

struct KeyRows {
    long origin;
    long rowH;
    // The rows that reach into top..bottom.
    long first;
    long last;

    KeyRows(long origin, long rowH, long top, long bottom);
    long Top(long note) const { return origin + (127 - note) * rowH; }

    // Black keys as a black left half with a line from the middle on, and a
    // line under every C and F key.
    void DrawKeyboard(CGUIContext *ctx, long band) const;
    // Across the data area: with byKSign each row by its degree in the key
    // in force (degrees 0, 3 and 4 strong, the others weak, notes out of
    // the key bare), else black keys weak; a black line under every C
    // (and F with underF).
    void DrawShading(CGUIContext *ctx, CAbstWindow *window, CTimeLine &timeLine, QUAD data, int byKSign,
                     const RGBACOLOR *strong, const RGBACOLOR *weak, int underF) const;
};

} // namespace Quorvane
