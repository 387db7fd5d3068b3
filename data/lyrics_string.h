// One line of lyrics. Byte 1 is a node divider: it ends one text node (what
// is sung on one melody note) and is no cursor position. An index counts
// bytes, dividers included; a position counts only the other bytes.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

namespace Quorvane {

constexpr char kNodeDivider = 1;

struct CORVADEL_API STRING : public STRUCTELEM {
    // The allocation is always exactly length bytes (none for 0).
    long length = 0;
    char *text = nullptr;
    // Widths by ptabWidthT and ptabWidthL, kept current by every edit.
    long widthT = 0;
    long widthL = 0;

    void Clear() override;
    void Spoil() override;

    char At(long index) const { return text[index]; }
    // Index of the position-th non-divider byte, or the length beyond them.
    long PosToIndex(long position) const;
    // Non-divider bytes before the index (clamped to the length).
    long IndexToPos(long index) const;
    long CharCount() const { return IndexToPos(length); }
    // At or past the end, or only dividers from the index on.
    int IsEOS(long index) const;
    // At 0, or only dividers before the index.
    int IsBOS(long index) const;
    int HasDivider(long index, long count) const;

    // One word right or left; 1 when the position moved.
    int WordRight(long &position) const;
    int WordLeft(long &position) const;

    // Byte edits; the widths follow. 0 when memory runs out (unchanged).
    int InsertBytes(long index, const char *bytes, long count);
    int DeleteBytes(long index, long count);
    // Replaces the byte at index (widths follow).
    void ReplaceByte(long index, char c);
    // Measures both widths anew.
    void Measure();
};

} // namespace Quorvane
