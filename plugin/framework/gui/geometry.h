// Integer geometry of the panels: a point (also used as a size) and a
// rectangle kept as x, y, width and height, never as edges.
#pragma once

#include <windows.h>

namespace Quorvane {

struct Point {
    int x = 0;
    int y = 0;

    bool operator==(const Point &) const = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int left() const { return x; }
    int top() const { return y; }
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    Point topLeft() const { return {x, y}; }
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }

    RECT toRECT() const { return {x, y, x + width, y + height}; }
    static Rect fromRECT(const RECT &r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

    bool operator==(const Rect &) const = default;
};

} // namespace Quorvane
