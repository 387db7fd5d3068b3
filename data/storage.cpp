#include "data/storage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

CStorage::~CStorage() = default;

int CStorage::GetBuffer(void *destination, long length, long)
{
    if (InternalGetBuffer(destination, length))
        return 1;
    SetError();
    return 0;
}

int CStorage::PutBuffer(const void *source, long length, long)
{
    if (!source || length == 0)
        return 1;
    if (InternalPutBuffer(source, length))
        return 1;
    SetError();
    return 0;
}

int CStorage::Skip(long n)
{
    const long position = GetPos();
    if (position < 0)
        return 0;
    const long target = position + n;
    return SetPos(target) == target;
}

int CStorage::Copy(CStorage *target)
{
    if (!target)
        return 0;
    const long position = GetPos();
    const long length = GetLength();
    if (position < 0 || length < 0 || SetPos(0) != 0)
        return 0;
    unsigned char chunk[4096];
    int ok = 1;
    for (long done = 0; ok && done < length;) {
        const long piece = std::min<long>(length - done, sizeof(chunk));
        ok = GetBuffer(chunk, piece) && target->PutBuffer(chunk, piece);
        done += piece;
    }
    SetPos(position);
    return ok;
}

long CStorage::GetRemaining()
{
    const long length = GetLength();
    const long position = GetPos();
    if (length < 0 || position < 0 || position > length)
        return 0;
    return length - position;
}

long CStorage::WasError()
{
    const long was = error;
    error = 0;
    return was;
}

// --- memory --------------------------------------------------------------

CMemStorage::CMemStorage(long step) : growStep(step > 0 ? step : 1) {}

CMemStorage::~CMemStorage()
{
    Clear();
}

int CMemStorage::InternalGetBuffer(void *destination, long length)
{
    if (!destination || length < 0 || length > size - position)
        return 0;
    if (length == 0)
        return 1; // an empty storage has no block to copy from
    std::memcpy(destination, data + position, length);
    position += length;
    return 1;
}

int CMemStorage::InternalPutBuffer(const void *source, long length)
{
    if (!source || length < 0)
        return 0;
    if (length == 0)
        return 1;
    if (length > 0x7FFFFFFF - position)
        return 0;
    const long end = position + length;
    if (end > capacity) {
        const long long grown = (static_cast<long long>(end) + growStep - 1) / growStep * growStep;
        if (grown > 0x7FFFFFFF)
            return 0;
        void *block = std::realloc(data, static_cast<size_t>(grown));
        if (!block)
            return 0;
        data = static_cast<unsigned char *>(block);
        capacity = static_cast<long>(grown);
    }
    std::memcpy(data + position, source, length);
    position = end;
    size = std::max(size, position);
    return 1;
}

long CMemStorage::SetPos(long p)
{
    position = std::clamp(p, 0L, size);
    return position;
}

void CMemStorage::Clear()
{
    std::free(data);
    data = nullptr;
    capacity = size = position = 0;
}

int CMemStorage::Attach(void *block, long length)
{
    Clear();
    if (length == 0)
        return 1;
    if (!block || length < 0)
        return 0;
    const long long rounded = (static_cast<long long>(length) + growStep - 1) / growStep * growStep;
    long newCapacity = length;
    if (rounded != length && rounded <= 0x7FFFFFFF) {
        if (void *grown = std::realloc(block, static_cast<size_t>(rounded))) {
            block = grown;
            newCapacity = static_cast<long>(rounded);
        }
    }
    data = static_cast<unsigned char *>(block);
    capacity = newCapacity;
    size = length;
    return 1;
}

int CMemStorage::Detach(void **block, long *length)
{
    if (!block || !length)
        return 0;
    if (data && capacity != size) {
        if (void *shrunk = std::realloc(data, size > 0 ? size : 1))
            data = static_cast<unsigned char *>(shrunk);
    }
    *block = data;
    *length = data ? size : 0;
    data = nullptr;
    capacity = size = position = 0;
    return 1;
}

// --- file ----------------------------------------------------------------
// The error flag only ever gets set here: a later successful seek does not
// hide an earlier failed read or write. WasError is what resets it.

CFileStorage::CFileStorage(const char *path, const char *mode)
{
    file = (path && mode) ? std::fopen(path, mode) : nullptr;
    if (!file)
        SetError();
}

CFileStorage::~CFileStorage()
{
    Clear();
}

void CFileStorage::Clear()
{
    if (file)
        std::fclose(file);
    file = nullptr;
}

int CFileStorage::InternalGetBuffer(void *destination, long length)
{
    if (!file || !destination || length < 0)
        return 0;
    if (std::fread(destination, 1, length, file) != static_cast<size_t>(length)) {
        SetError();
        return 0;
    }
    return 1;
}

int CFileStorage::InternalPutBuffer(const void *source, long length)
{
    if (!file || !source || length < 0)
        return 0;
    if (std::fwrite(source, 1, length, file) != static_cast<size_t>(length)) {
        SetError();
        return 0;
    }
    return 1;
}

long CFileStorage::GetLength()
{
    if (!file) {
        SetError();
        return -1;
    }
    const long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        SetError();
        return -1;
    }
    const long length = std::ftell(file);
    if (length < 0 || std::fseek(file, position, SEEK_SET) != 0) {
        SetError();
        return -1;
    }
    return length;
}

long CFileStorage::GetPos()
{
    const long position = file ? std::ftell(file) : -1;
    if (position < 0)
        SetError();
    return position;
}

long CFileStorage::SetPos(long p)
{
    if (!file || p < 0 || std::fseek(file, p, SEEK_SET) != 0) {
        SetError();
        return -1;
    }
    return p;
}

} // namespace Quorvane
