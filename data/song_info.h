// The song's texts: "Title", "Subtitle", "Author", "Copyright", "Comments".
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

enum : long {
    SONGINFO_TITLE,
    SONGINFO_SUBTITLE,
    SONGINFO_AUTHOR,
    SONGINFO_COPYRIGHT,
    SONGINFO_COMMENTS,
    SONGINFO_ITEMS
};

struct CORVADEL_API SONGINFO {
    SONGINFO() = default;
    SONGINFO(const SONGINFO &) = delete;
    SONGINFO &operator=(const SONGINFO &) = delete;
    ~SONGINFO() { Clear(0); }

    // null outside 0..4.
    static const char *GetItemName(long index);
    const char *GetItemText(long index) const;
    // Keeps a single-line copy; an unchanged text succeeds at once. 0 for an
    // index outside 0..4 or when memory runs out.
    int SetItemText(long index, const char *text);
    // Frees the texts unless keep.
    void Clear(int keep);

    char *texts[SONGINFO_ITEMS] = {};
};

} // namespace Quorvane
