// Reads of one file that reach an offset stop there, as a disk that cannot
// read on does: the read seam under CXFile, installed while the object
// lives.
#pragma once

#include "db/records/xfile.h"

#include <cstdint>
#include <string>
#include <utility>

namespace records_test {

class FailingReads {
public:
    // With `startingThere`, only reads that begin at `from` or behind it
    // fail (half-way), so a read that began before it passes whole.
    FailingReads(std::string file, uint32_t from, bool startingThere = false)
    {
        s_file = std::move(file);
        s_from = from;
        s_startingThere = startingThere;
        Quorvane::SetXFileReadHook(read);
    }
    ~FailingReads() { Quorvane::SetXFileReadHook(nullptr); }
    FailingReads(const FailingReads &) = delete;
    FailingReads &operator=(const FailingReads &) = delete;

private:
    static uint32_t read(const char *file, uint32_t offset, uint32_t count)
    {
        if (s_file != file || offset + count <= s_from)
            return count;
        if (offset < s_from)
            return s_startingThere ? count : s_from - offset;
        return s_startingThere ? count / 2 : 0;
    }

    static inline std::string s_file;
    static inline uint32_t s_from = 0;
    static inline bool s_startingThere = false;
};

} // namespace records_test
