// The song mutex and its guard. The render thread holds it while it asks the
// song for a buffer; the user-interface thread while it changes what playback
// reads. A Windows mutex is recursive: one thread may take it again, through
// another guard, while it holds it.
#pragma once

#include "data/corvadel_api.h"

#include <windows.h>

namespace Quorvane {

// What a guard is bound to: the holder of an unnamed mutex.
struct SYNCOBJECT {
    HANDLE mutex = nullptr;
};

class CORVADEL_API CLock {
public:
    // Binds to the holder (nothing is locked for null) and locks at once
    // when asked.
    explicit CLock(SYNCOBJECT *holder, int lockNow = 1);
    ~CLock();
    CLock(const CLock &) = delete;
    CLock &operator=(const CLock &) = delete;

    // Waits without a time limit unless already held.
    void Lock();
    // Releases only when held.
    void Unlock();
    int IsHeld() const { return held; }

    // A holder with an unnamed, unowned mutex; null on failure.
    static SYNCOBJECT *PrepareSyncObject();
    // Closes the mutex, frees the holder and nulls the pointer.
    static void UnprepareSyncObject(SYNCOBJECT *&holder);

    SYNCOBJECT *holder;
    HANDLE mutex;
    int held = 0;
};

} // namespace Quorvane
