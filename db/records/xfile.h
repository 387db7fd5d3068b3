// A disk file with typed little-endian reads and writes: the device under the
// record file and the codecs of its records. Every call answers 1 or 0.
#pragma once

#include "db/stavrund_api.h"

#include <windows.h>

#include <cstdint>

namespace Quorvane {

// What the record file is about to change on disk: every change goes through
// CXFile and the functions below, and is reported to a hook first. Crash
// and failure tests count these changes, fail one of them or stop the
// process there; the power-cut simulation records them all.
enum class XFileChange { Write, SetEnd, Flush, Remove, Rename, Create };

struct XFileChangeInfo {
    XFileChange change;
    const char *file;    // the file changed; a rename's old name
    const char *newName; // a rename's new name, else null
    uint32_t offset;     // where a write begins; the length a length change sets
    uint32_t count;      // the bytes a write writes; 1 for the other changes
    const void *bytes;   // a write's bytes, else null
};

// Answers how many of `count` bytes may reach the disk (1 for the changes
// that move no bytes): all of them lets the change run, fewer makes it fail
// after only those were written.
using XFileChangeHook = uint32_t (*)(const XFileChangeInfo &change);

// Installs a hook (null removes it); answers the one installed before.
STAVRUND_API XFileChangeHook SetXFileChangeHook(XFileChangeHook hook);

// Answers how many of the `count` bytes a read of `file` at `offset` may
// move: fewer makes the read fail after those, as a device that cannot
// read on does (ERROR_READ_FAULT). Failure tests make reads fail with it.
using XFileReadHook = uint32_t (*)(const char *file, uint32_t offset, uint32_t count);
STAVRUND_API XFileReadHook SetXFileReadHook(XFileReadHook hook);

// Deletes a file; 1 when it is gone (also when it was not there).
STAVRUND_API int RemoveXFile(const char *name);
// Keeps a file that cannot be used beside it: renames it to the first free
// name of "<name>.damaged", "<name>.damaged2", ... and, when `keptAs` is
// given, writes that name there. 1 when it was renamed.
STAVRUND_API int KeepXFileAside(const char *name, char *keptAs, uint32_t keptAsSize);

class STAVRUND_API CXFile {
public:
    // No read limit: lengths may run up to the end of the file.
    static constexpr uint32_t NoLimit = 0xFFFFFFFF;

    CXFile() = default;
    CXFile(const CXFile &) = default;
    CXFile &operator=(const CXFile &) = default;
    ~CXFile();

    // Opens an existing file, for reading and writing when `writable` is
    // non-zero; other processes may read and write it meanwhile.
    int Open(const char *name, int writable);
    // Creates a new file for reading and writing; fails when it exists.
    int Create(const char *name);
    int Close();
    int IsOpened() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Waits until what was written is on the disk.
    int Flush();

    int Read(void *buffer, uint32_t n);
    int Write(const void *buffer, uint32_t n);
    int Read8(void *value) { return Read(value, 1); }
    int Read16(void *value) { return Read(value, 2); }
    int Read32(void *value) { return Read(value, 4); }
    int Read64(void *value) { return Read(value, 8); }
    int Write8(const void *value) { return Write(value, 1); }
    int Write16(const void *value) { return Write(value, 2); }
    int Write32(const void *value) { return Write(value, 4); }
    int Write64(const void *value) { return Write(value, 8); }
    int Write8(signed char value) { return Write(&value, 1); }
    int Write16(short value) { return Write(&value, 2); }
    int Write32(long value) { return Write(&value, 4); }
    int ReadArray(void *buffer, uint32_t count, uint32_t elementSize);
    int WriteArray(const void *buffer, uint32_t count, uint32_t elementSize);

    int SeekToPos(uint32_t offset);
    int GetCurrentPos(uint32_t *offset);
    // Moves to the end; `length` (when given) receives the file's length.
    int SeekToEnd(uint32_t *length);
    // Moves forward; fails when that would pass the end of the file.
    int Skip(uint32_t n);
    // The file ends at the current position (nothing changes when it does
    // already: setting the end at the length rewrites the file's last bytes
    // under Wine).
    int SetEOF();

    // Big-endian values: the bytes of each value reversed.
    int ReadSwap16(void *value);
    int ReadSwap32(void *value);
    int ReadSwap64(void *value);
    int WriteSwap16(const void *value);
    int WriteSwap32(const void *value);
    int WriteSwap64(const void *value);
    int WriteSwap16(short value) { return WriteSwap16(static_cast<const void *>(&value)); }
    int WriteSwap32(long value) { return WriteSwap32(static_cast<const void *>(&value)); }
    // Elements of 2, 3, 4 or 8 bytes are reversed, others kept as they are;
    // the writer converts through a 128-byte buffer, so an element may not
    // be larger than that.
    int ReadSwapArray(void *buffer, uint32_t count, uint32_t elementSize);
    int WriteSwapArray(const void *buffer, uint32_t count, uint32_t elementSize);

    // Short string: u8 length and the bytes; long string: u32 length and the
    // bytes. A read allocates length + 1 bytes (malloc) and terminates them;
    // length 0 gives a null pointer. A length that runs past the read limit or
    // the file fails before anything is allocated.
    int ReadString(char **text);
    int ReadStringHuge(char **text);
    int WriteString(const char *text);
    int WriteStringHuge(const char *text);
    // Blob: u32 size and the bytes; bounded and allocated as strings are,
    // size 0 gives a null pointer.
    int ReadBlob(void **data, uint32_t *size);
    int WriteBlob(const void *data, uint32_t size);

    // While the position is within [from, end] (the body of the record being
    // decoded), lengths read from the file may not run past `end`.
    void SetReadLimit(uint32_t from, uint32_t end)
    {
        m_limitFrom = from;
        m_limitEnd = end;
    }
    void ClearReadLimit() { SetReadLimit(0, NoLimit); }
    // Bytes between the current position and the read limit or the file's end.
    int BytesLeft(uint32_t *left);

    // The system's error code of the first read since the open (or the
    // last ClearReadError) that failed for another reason than the file's
    // end, or whose memory could not be had; 0 when none did. Such a
    // failure says nothing of the bytes in the file.
    uint32_t ReadError() const { return m_readError; }
    void ClearReadError() { m_readError = 0; }

private:
    // Reports a change to the hook; answers what it lets through.
    uint32_t Allowed(XFileChange change, uint32_t offset, uint32_t count, const void *bytes = nullptr) const;
    int ReadSwapped(void *value, uint32_t size);
    int WriteSwapped(const void *value, uint32_t size);
    int ReadCounted(void **data, uint32_t length, uint32_t extra);
    int ReadTerminated(char **text, uint32_t length);
    int CannotRead(uint32_t error);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    uint32_t m_limitFrom = 0, m_limitEnd = NoLimit;
    uint32_t m_readError = 0;
    // The name it was opened or created under, for the hook.
    char m_name[MAX_PATH] = {};
};

} // namespace Quorvane
