// A power cut in the middle of a sequence of file changes, simulated: the
// changes made through the CXFile hook are recorded, and every set of files
// the disk may hold after a cut at any point is built from them. A flush
// makes the changes of its file made before it durable; of the changes that
// are not, the disk may have kept any part, so a cut leaves: none of them,
// all, each prefix, each single one, all but each one, a write torn at a
// sector's end, or a length that reached the disk without the bytes of its
// write. A seeded mode draws many more states of the same kinds besides.
#pragma once

#include "db/records/tests/record_test_support.h"
#include "db/records/xfile.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace power_cut {

using records_test::Bytes;

// One change of a file on its way to the disk.
struct Change {
    Quorvane::XFileChange change;
    std::string file, newName; // names within the folder
    uint32_t offset = 0;
    Bytes bytes;
};

// The files of a folder by name.
using Files = std::map<std::string, Bytes>;

// Records every change CXFile makes to a disk file while it lives.
class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;
    // The changes so far.
    const std::vector<Change> &changes() const;
};

Files snapshot(const std::string &folder);
// Empties the folder and writes the files into it.
void writeState(const std::string &folder, const Files &files);

// The changes with each write that continues the one before it (the same
// file, from where that one ended) made one with it: fewer points to cut
// at, for long paths that write a record in many pieces.
std::vector<Change> coalesced(const std::vector<Change> &changes);

// Calls `check` once for every distinct state a cut at any point may leave,
// with the first cut that leaves it, until it answers false; answers the
// number of states checked.
size_t forEveryState(const Files &start, const std::vector<Change> &changes,
                     const std::function<bool(size_t cut, const Files &state)> &check);

// The seeded mode: from now on, forEveryState also checks `drawsPerCut`
// random states at every cut (a random subset of the changes not yet
// flushed, each write left out perhaps torn at a random sector's end or
// kept as a length without its bytes), drawn afresh from `seed` in every
// call, so that a seed replays a failure.
void drawRandomStates(uint64_t seed, size_t drawsPerCut);

// The states forEveryState has checked in this process.
size_t statesChecked();

} // namespace power_cut
