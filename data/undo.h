// The song's undo bookkeeping: a modified flag and a temporary step that a
// change opens before it starts and commits (or restores) when it is done.
// The song keeps no undo history of its own; it only tells its tracks that
// they change.
#pragma once

#include "data/corvadel_api.h"

namespace Quorvane {

// What StoreTempUndo is told changes: a track id, or one of these.
enum : long { UNDO_ALL_TRACKS = -1, UNDO_SONG = -2, UNDO_ROUTING = -3 };

class CORVADEL_API CUndo {
public:
    // 0: no step is pending.
    virtual int StoreTempUndo(char *caption, long what);
    virtual void RestoreTempUndo();
    virtual void RestoreUndo();
    // The caption of the step an undo would take back; none here.
    virtual int CanUndo(char **caption);

    int IsModified() const { return modified; }
    void SetModified(int on) { modified = on; }
    void Clear() { modified = 0; }
    // The change is done: the song is modified.
    void CommitTempUndo() { modified = 1; }
    void DiscardTempUndo() {}
    // StoreTempUndo and CommitTempUndo at once; 0 when storing failed.
    int StoreUndoNow(char *caption, long what);

    int modified = 0;

protected:
    CUndo() = default;
    ~CUndo() = default;
};

// Opens a step for its scope: Commit keeps it, leaving the scope without
// Commit restores it.
class CORVADEL_API CUndoAccount {
public:
    CUndoAccount(CUndo *undo, char *caption, long what);
    ~CUndoAccount();
    CUndoAccount(const CUndoAccount &) = delete;
    CUndoAccount &operator=(const CUndoAccount &) = delete;
    void Commit();

private:
    CUndo *target;
};

} // namespace Quorvane
