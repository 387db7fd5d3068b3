// The one way an editor window changes the song: a temporary undo step
// with its caption, the song mutex (the render thread reads the same data
// under it), the change, then the client's modified mark and the commit of
// the step; the liaison updates follow before the lock goes. A step that
// is neither done nor discarded when it goes is a failure: the lock is
// released and the undo step restored and dropped.
#pragma once

#include "data/lock.h"

namespace Quorvane {

class CSong;
class CGUIClient;

class EditStep {
public:
    // scope: the id of the track that changes, or one of the undo scopes.
    EditStep(CSong *song, CGUIClient *client, const char *caption, long scope);
    ~EditStep();
    EditStep(const EditStep &) = delete;
    EditStep &operator=(const EditStep &) = delete;

    // The change is made: the modified mark and the commit. The lock stays
    // until Unlock or the end of the step.
    void Done();
    // Nothing changed after all: the lock goes and the step is dropped.
    void Discard();
    void Unlock() { lock_.Unlock(); }

private:
    CSong *song_;
    CGUIClient *client_;
    int pending_;
    int finished_ = 0;
    CLock lock_;
};

// A small change of a track field: the client's modified mark and the
// song's modified flag, without an undo step.
void MarkModified(CSong *song, CGUIClient *client);

} // namespace Quorvane
