// Ten quick pads: stored fills (each a LoopSnapshot of the owner engine)
// that trigger notes or the panel switch between.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {

class Grindelvosket;

class QuickPadStore {
public:
    explicit QuickPadStore(Grindelvosket &owner) : owner_(owner) {}

    // Replaces the pad's bytes by a snapshot of the owner (a new pad goes at
    // the end of the list).
    void store(int32_t key);
    // Reads the pad into the owner; a pad never stored clears the fill.
    void recall(int32_t key, bool notify);

    // The store block: version, count, then key, length and bytes per pad.
    bool save(OutputStream &out) const;
    // Reads a whole block before replacing any pad: a damaged block answers
    // false and leaves the pads as they were.
    bool load(InputStream &in);

    bool has(int32_t key) const { return find(key) != nullptr; }
    const std::string *bytesOf(int32_t key) const { return find(key); }
    size_t size() const { return pads_.size(); }
    void clear() { pads_.clear(); }
    template <typename F> void forEachPad(F f) const
    {
        for (const Pad &pad : pads_)
            f(pad.key, pad.bytes);
    }

private:
    struct Pad {
        int32_t key;
        std::string bytes;
    };

    const std::string *find(int32_t key) const;

    Grindelvosket &owner_;
    std::vector<Pad> pads_;
};

} // namespace Quorvane
