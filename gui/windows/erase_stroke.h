// An erase stroke: one temporary undo step over the many small erasures a
// drag makes as the pointer moves, each under the song mutex. When the
// stroke ends, the step is committed with the client's modified mark if
// anything went, and dropped if nothing did.
#pragma once

namespace Quorvane {

class CSong;
class CGUIClient;

class EraseStroke {
public:
    // scope: the id of the track that changes.
    void Begin(CSong *song, const char *caption, long scope);
    void Erased() { erased_ = 1; }
    // Whether the undo step could be stored.
    int Pending() const { return pending_; }
    // The stroke is over: 1 when it erased anything.
    int End(CSong *song, CGUIClient *client);

private:
    int pending_ = 0;
    int erased_ = 0;
};

} // namespace Quorvane
