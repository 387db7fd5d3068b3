// Width tables with simple numbers for the text tests, installed the way the
// drawing kit installs its fonts' tables, and the defaults put back after.
#pragma once

#include "data/text_widths.h"

#include <array>

struct WidthTables {
    // D: 3 a character, 1 a blank; L: 5 and 2; T: 10, 4 for 'i', 2 for the
    // divider. Both D and L give the divider a width too, which node widths
    // must never count.
    WidthTables()
    {
        d.fill(3);
        d[' '] = 1;
        d[1] = 50;
        l.fill(5);
        l[' '] = 2;
        l[1] = 50;
        t.fill(10);
        t['i'] = 4;
        t[1] = 2;
        saved = {Quorvane::ptabWidthD, Quorvane::ptabWidthL, Quorvane::ptabWidthT};
        Quorvane::ptabWidthD = d.data();
        Quorvane::ptabWidthL = l.data();
        Quorvane::ptabWidthT = t.data();
    }
    ~WidthTables()
    {
        Quorvane::ptabWidthD = saved[0];
        Quorvane::ptabWidthL = saved[1];
        Quorvane::ptabWidthT = saved[2];
    }
    std::array<long, 256> d, l, t;
    std::array<long *, 3> saved;
};
