// A memory storage that remembers the largest read asked of it, so tests
// can check that readers never ask for more than the storage holds.
#pragma once

#include "data/storage.h"

#include <algorithm>
#include <string>

struct RecordingStorage : Quorvane::CMemStorage {
    explicit RecordingStorage(const std::string &bytes)
    {
        PutBuffer(bytes.data(), static_cast<long>(bytes.size()));
        SetPos(0);
    }
    int InternalGetBuffer(void *destination, long length) override
    {
        largestRead = std::max(largestRead, length);
        return CMemStorage::InternalGetBuffer(destination, length);
    }
    std::string content() const { return std::string(reinterpret_cast<const char *>(data), size); }
    long largestRead = 0;
};
