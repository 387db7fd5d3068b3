// The byte streams every Save, Load, import and export of the song data model
// takes: a growable memory block or a stdio file. Values pass through as they
// lie in memory (little-endian); nothing is swapped.
#pragma once

#include "data/corvadel_api.h"

#include <cstdio>

namespace Quorvane {

class CORVADEL_API CStorage {
public:
    CStorage() = default;
    CStorage(const CStorage &) = delete;
    CStorage &operator=(const CStorage &) = delete;

    // 1 when all length bytes were read / written.
    virtual int InternalGetBuffer(void *destination, long length) = 0;
    virtual int InternalPutBuffer(const void *source, long length) = 0;
    virtual long GetLength() = 0;
    virtual long GetPos() = 0;
    // Returns the new position (-1 on failure for a file).
    virtual long SetPos(long position) = 0;
    virtual ~CStorage();

    // The element size is ignored: length counts bytes.
    int GetBuffer(void *destination, long length, long elementSize = 1);
    // Succeeds without writing for a null source or a length of 0.
    int PutBuffer(const void *source, long length, long elementSize = 1);
    int Get8(void *value) { return GetBuffer(value, 1); }
    int Put8(const void *value) { return PutBuffer(value, 1); }
    int Get16(void *value) { return GetBuffer(value, 2); }
    int Put16(const void *value) { return PutBuffer(value, 2); }
    int Get32(void *value) { return GetBuffer(value, 4); }
    int Put32(const void *value) { return PutBuffer(value, 4); }
    int Get64(void *value) { return GetBuffer(value, 8); }
    int Put64(const void *value) { return PutBuffer(value, 8); }
    int Skip(long n);
    // Copies the whole content (from position 0) into target and leaves this
    // storage's position where it was.
    int Copy(CStorage *target);
    // Bytes left after the position; 0 when either cannot be had. Readers
    // bound every length they find in stored data by it before allocating.
    long GetRemaining();
    // The error flag, reset by this call only.
    long WasError();

protected:
    void SetError() { error = 1; }

    long error = 0;
};

class CORVADEL_API CMemStorage : public CStorage {
public:
    explicit CMemStorage(long growStep = 1024);
    ~CMemStorage() override;

    int InternalGetBuffer(void *destination, long length) override;
    int InternalPutBuffer(const void *source, long length) override;
    long GetLength() override { return size; }
    long GetPos() override { return position; }
    // Clamped to the size.
    long SetPos(long position) override;

    void Clear();
    // Takes over a malloc block of length bytes as the content.
    int Attach(void *block, long length);
    // Hands out the block (shrunk to its size) and leaves the storage empty.
    int Detach(void **block, long *length);
    const unsigned char *GetData() const { return data; }

    long growStep;
    unsigned char *data = nullptr;
    long capacity = 0;
    long size = 0;
    long position = 0;
};

class CORVADEL_API CFileStorage : public CStorage {
public:
    // fopen modes ("rb", "wb", ...); the error flag is set when the file
    // cannot be opened.
    CFileStorage(const char *path, const char *mode);
    ~CFileStorage() override;

    int InternalGetBuffer(void *destination, long length) override;
    int InternalPutBuffer(const void *source, long length) override;
    long GetLength() override;
    long GetPos() override;
    long SetPos(long position) override;

    int IsOpen() const { return file != nullptr; }
    void Clear();

    FILE *file = nullptr;
};

} // namespace Quorvane
