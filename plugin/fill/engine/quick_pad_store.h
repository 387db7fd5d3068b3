// Quick pads: stored snapshots of a drummer's fill (its LoopSnapshot bytes)
// that trigger notes or the panel switch between, keyed by pad. The store
// only keeps and writes the bytes; making a snapshot and reading one back
// is its owner's.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvane {

class QuickPadStore {
public:
    // The drummer whose snapshots the pads hold.
    class Owner {
    public:
        virtual bool saveSnapshot(OutputStream &out) = 0;
        virtual bool loadSnapshot(InputStream &in, bool notify) = 0;

    protected:
        ~Owner() = default;
    };

    static constexpr int32_t kDefaultPadCount = 10;

    // Keys run 0..padCount - 1.
    explicit QuickPadStore(Owner &owner, int32_t padCount = kDefaultPadCount)
        : owner_(owner), padCount_(padCount)
    {
    }

    // Replaces the pad's bytes by a snapshot of the owner (a new pad goes at
    // the end of the list).
    void store(int32_t key);
    // Replaces the pad's bytes by the given ones.
    void put(int32_t key, std::string bytes);
    // Reads the pad into the owner; false, and the owner untouched, for a
    // pad never stored.
    bool recall(int32_t key, bool notify);

    // The store block: version, count, then key, length and bytes per pad.
    bool save(OutputStream &out) const;
    // Reads a whole block before replacing any pad: a damaged block (a key
    // outside the pads among them) answers false and leaves the pads as
    // they were.
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

    Owner &owner_;
    int32_t padCount_;
    std::vector<Pad> pads_;
};

} // namespace Quorvane
