// A Win32 file handle. A file that failed to open behaves as an empty device.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class File {
public:
    File() = default;
    File(const char *path, uint32_t access, uint32_t creation);
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    virtual ~File();

    virtual bool open(const char *path, uint32_t access, uint32_t creation);
    virtual void close();
    virtual uint32_t getSize();
    virtual bool setEnd();
    virtual uint32_t seek(int32_t offset, uint32_t moveMethod);
    virtual uint32_t read(void *buffer, uint32_t count);
    virtual uint32_t write(const void *buffer, uint32_t count);
    // Hands what was written to the disk; false when the system could not.
    virtual bool flush();

    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace Quorvane
