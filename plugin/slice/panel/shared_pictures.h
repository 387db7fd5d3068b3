// The editor's pictures, each loaded by the first control that needs it and
// freed with the last one, with its light greys (RGB 212, 208, 200 and, for
// the part pictures, the five greys next to it) replaced by the panel's
// background colour: the system's 3-D face, read once.
#pragma once

#include "plugin/framework/gui/bitmaps.h"

#include <windows.h>

namespace Quorvane::LoopSlice {

COLORREF panelBackground();

class SharedPicture {
public:
    // The replaced greys: the one grey, or the six of the part pictures.
    enum class Greys { One, Six };

    SharedPicture(WORD resourceId, Greys greys) : resourceId_(resourceId), greys_(greys) {}
    SharedPicture(const SharedPicture &) = delete;
    SharedPicture &operator=(const SharedPicture &) = delete;

    // Counts a user; the first loads the picture. Null when it is missing.
    Bitmap *acquire();
    // The last user frees it.
    void release();
    Bitmap *bitmap() const { return bitmap_.get(); }
    int users() const { return users_; }

private:
    WORD resourceId_;
    Greys greys_;
    int users_ = 0;
    RefPtr<OpaqueBitmap> bitmap_;
};

// The module's pictures, by resource id; window thread only.
SharedPicture &sharedPicture(WORD resourceId);

// Holds one use of a shared picture while it lives.
class PictureUse {
public:
    explicit PictureUse(WORD resourceId) : picture_(sharedPicture(resourceId)) { picture_.acquire(); }
    ~PictureUse() { picture_.release(); }
    PictureUse(const PictureUse &) = delete;
    PictureUse &operator=(const PictureUse &) = delete;
    Bitmap *get() const { return picture_.bitmap(); }

private:
    SharedPicture &picture_;
};

} // namespace Quorvane::LoopSlice
