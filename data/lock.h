// The song mutex and its guard. The render thread holds it while it asks the
// song for a buffer and mixes the song's tract; the user-interface thread
// while it changes what playback reads. The song tracts and the waves use
// the same kind of lock for their own data.
//
// The lock is a critical section: taking it while no other thread holds it
// stays inside the process (no kernel call, which under Wine would be a round
// trip to the server), and only a contended take waits in the kernel. It is
// recursive: one thread may take it again, through another guard, while it
// holds it. It is private to the process; nothing shares it by name.
//
// Lock order: a song's lock before its tract's lock, and both
// before a wave's lock; a thread holding a later lock never waits for an
// earlier one.
#pragma once

#include "data/corvadel_api.h"

#include <windows.h>

namespace Quorvane {

// What a guard is bound to.
struct SYNCOBJECT {
    CRITICAL_SECTION section;
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
    // Takes the lock only when no other thread holds it; whether held.
    int TryLock();
    // Releases only when held.
    void Unlock();
    int IsHeld() const { return held; }

    // A holder with an unowned lock; null on failure.
    static SYNCOBJECT *PrepareSyncObject();
    // Deletes the lock, frees the holder and nulls the pointer.
    static void UnprepareSyncObject(SYNCOBJECT *&holder);

    SYNCOBJECT *holder;
    int held = 0;
};

} // namespace Quorvane
