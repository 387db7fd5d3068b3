// The value scale of a controller-like lane shown over a window's data
// area (the MIDI and audio windows): the value at the top, the range, the
// pixels per unit, and the grid a pointer snaps to; its labels and marks in
// the left band and its lines across the data area.
#pragma once

namespace Quorvane {

class CGUIContext;

struct ValueLane {
    // The pitch wheel over height pixels: 8192 at the top, -8192..8191,
    // snapping to 2048 within 128.
    void SetWheel(long height);
    // A byte-sized value (a controller, aftertouch, volume or panning):
    // 127 at the top, 0..127, snapping to 16 within 1.
    void SetByte(long height);
    // Note velocities: 1..127 over height at 128 values a height.
    void SetVelocity(long height);

    // Rows from top (the y of the scale's top value).
    long YFromVal(long value, long top) const;
    // The value at y: the nearest grid value when it lies within the
    // tolerance and its row within one pixel of y, always within min..max.
    long ValFromY(long y, long top) const;
    // The grid values worth a line in a lane of that height (first the most
    // important); how many.
    int Marks(long height, long *values) const;

    // The scale's labels and marks in a band of width band beside the rows
    // top..bottom, and its lines across left..right.
    void DrawBand(CGUIContext *ctx, long band, long top, long bottom) const;
    void DrawGrid(CGUIContext *ctx, long left, long right, long top, long bottom) const;

    long topValue = 127;
    long min = 0;
    long max = 127;
    long step = 16;
    long tolerance = 1;
    double scale = 1.0; // pixels per unit
    int wheel = 0;
};

} // namespace Quorvane
