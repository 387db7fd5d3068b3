// The 128-bit id of a record file, stored at offset 4. It also names the
// file's cross-process mutex.
#pragma once

#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CXFile;

class STAVRUND_API DBUID {
public:
    DBUID() { Clear(); }
    DBUID(const DBUID &) = default;
    DBUID &operator=(const DBUID &) = default;

    // Makes a new id from the time, the process and the file name; every
    // word is non-zero.
    void CreateDBUID(const char *fileName);
    // Reads the id of a file (opened by itself); 0, and a cleared id, when
    // the file cannot be opened or read.
    int GetDBUID(const char *fileName);
    // Writes the id at offset 4 of an open file.
    int WriteToDB(CXFile *file) const;

    void Clear();
    int IsEmpty() const { return m_words[0] == 0; }
    bool operator==(const DBUID &other) const;
    // A three-way byte-wise comparison of the 16 stored bytes (unsigned):
    // 0 when equal, -1 or 1 as the first differing byte is lower or higher.
    int operator!=(const DBUID &other) const;

    uint32_t m_words[4];
};

} // namespace Quorvane
