#include "db/records/xfile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

XFileChangeHook g_changeHook = nullptr;
XFileReadHook g_readHook = nullptr;

// How many of `count` bytes the installed hook lets through.
uint32_t allowedChange(XFileChangeInfo change)
{
    return g_changeHook ? std::min(g_changeHook(change), change.count) : change.count;
}

uint32_t allowedNameChange(XFileChange change, const char *name, const char *newName = nullptr)
{
    return allowedChange({change, name, newName, 0, 1, nullptr});
}

void reverseBytes(unsigned char *bytes, uint32_t size)
{
    std::reverse(bytes, bytes + size);
}

bool isSwappedSize(uint32_t size)
{
    return size == 2 || size == 3 || size == 4 || size == 8;
}

} // namespace

XFileChangeHook SetXFileChangeHook(XFileChangeHook hook)
{
    XFileChangeHook previous = g_changeHook;
    g_changeHook = hook;
    return previous;
}

XFileReadHook SetXFileReadHook(XFileReadHook hook)
{
    XFileReadHook previous = g_readHook;
    g_readHook = hook;
    return previous;
}

int RemoveXFile(const char *name)
{
    if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES)
        return 1;
    if (allowedNameChange(XFileChange::Remove, name) < 1)
        return 0;
    return DeleteFileA(name) ? 1 : 0;
}

int KeepXFileAside(const char *name, char *keptAs, uint32_t keptAsSize)
{
    char aside[MAX_PATH];
    for (int n = 1; n < 1000; ++n) {
        const int length = n == 1 ? std::snprintf(aside, sizeof(aside), "%s.damaged", name)
                                  : std::snprintf(aside, sizeof(aside), "%s.damaged%d", name, n);
        if (length <= 0 || length >= MAX_PATH)
            return 0;
        if (GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES)
            continue;
        // MoveFile never replaces a file kept aside before.
        if (allowedNameChange(XFileChange::Rename, name, aside) < 1 || !MoveFileA(name, aside))
            return 0;
        if (keptAs && keptAsSize > uint32_t(length)) {
            std::memcpy(keptAs, aside, size_t(length) + 1);
        }
        return 1;
    }
    return 0;
}

CXFile::~CXFile()
{
    Close();
}

uint32_t CXFile::Allowed(XFileChange change, uint32_t offset, uint32_t count, const void *bytes) const
{
    return allowedChange({change, m_name, nullptr, offset, count, bytes});
}

int CXFile::Open(const char *name, int writable)
{
    Close();
    m_readError = 0;
    if (!name || std::strlen(name) >= sizeof(m_name))
        return 0;
    std::strcpy(m_name, name);
    const DWORD access = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    m_handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    return IsOpened();
}

int CXFile::Create(const char *name)
{
    Close();
    m_readError = 0;
    if (!name || std::strlen(name) >= sizeof(m_name))
        return 0;
    std::strcpy(m_name, name);
    if (Allowed(XFileChange::Create, 0, 1) < 1)
        return 0;
    m_handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    return IsOpened();
}

int CXFile::Close()
{
    ClearReadLimit();
    if (!IsOpened())
        return 1;
    const BOOL closed = CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return closed ? 1 : 0;
}

int CXFile::Flush()
{
    if (!IsOpened() || Allowed(XFileChange::Flush, 0, 1) < 1)
        return 0;
    return FlushFileBuffers(m_handle) ? 1 : 0;
}

int CXFile::CannotRead(uint32_t error)
{
    if (m_readError == 0)
        m_readError = error ? error : ERROR_READ_FAULT;
    return 0;
}

int CXFile::Read(void *buffer, uint32_t n)
{
    if (!IsOpened())
        return 0;
    uint32_t allowed = n, at = 0;
    if (g_readHook && n > 0) {
        if (!GetCurrentPos(&at))
            return 0;
        allowed = std::min(g_readHook(m_name, at, n), n);
    }
    auto *bytes = static_cast<unsigned char *>(buffer);
    for (uint32_t left = allowed; left > 0;) {
        DWORD moved = 0;
        if (!ReadFile(m_handle, bytes, left, &moved, nullptr))
            return CannotRead(GetLastError());
        if (moved == 0)
            return 0; // the file ends before the bytes: they are not there
        bytes += moved;
        left -= moved;
    }
    return allowed == n ? 1 : CannotRead(ERROR_READ_FAULT);
}

int CXFile::Write(const void *buffer, uint32_t n)
{
    if (!IsOpened())
        return 0;
    if (n == 0)
        return 1;
    uint32_t at = 0;
    if (g_changeHook && !GetCurrentPos(&at))
        return 0;
    const uint32_t allowed = Allowed(XFileChange::Write, at, n, buffer);
    auto *bytes = static_cast<const unsigned char *>(buffer);
    uint32_t left = allowed;
    while (left > 0) {
        DWORD moved = 0;
        if (!WriteFile(m_handle, bytes, left, &moved, nullptr) || moved == 0)
            return 0;
        bytes += moved;
        left -= moved;
    }
    return allowed == n ? 1 : 0;
}

int CXFile::ReadArray(void *buffer, uint32_t count, uint32_t elementSize)
{
    const uint64_t total = uint64_t(count) * elementSize;
    return total <= 0xFFFFFFFF && Read(buffer, uint32_t(total));
}

int CXFile::WriteArray(const void *buffer, uint32_t count, uint32_t elementSize)
{
    const uint64_t total = uint64_t(count) * elementSize;
    return total <= 0xFFFFFFFF && Write(buffer, uint32_t(total));
}

int CXFile::SeekToPos(uint32_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return IsOpened() && SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN);
}

int CXFile::GetCurrentPos(uint32_t *offset)
{
    LARGE_INTEGER zero{}, at;
    if (!IsOpened() || !SetFilePointerEx(m_handle, zero, &at, FILE_CURRENT) || at.QuadPart > 0xFFFFFFFF)
        return 0;
    *offset = uint32_t(at.QuadPart);
    return 1;
}

int CXFile::SeekToEnd(uint32_t *length)
{
    LARGE_INTEGER zero{}, at;
    if (!IsOpened() || !SetFilePointerEx(m_handle, zero, &at, FILE_END) || at.QuadPart > 0xFFFFFFFF)
        return 0;
    if (length)
        *length = uint32_t(at.QuadPart);
    return 1;
}

int CXFile::Skip(uint32_t n)
{
    LARGE_INTEGER size;
    uint32_t at;
    if (!GetCurrentPos(&at) || !GetFileSizeEx(m_handle, &size) || uint64_t(at) + n > uint64_t(size.QuadPart))
        return 0;
    return SeekToPos(at + n);
}

int CXFile::SetEOF()
{
    uint32_t at, length;
    if (!GetCurrentPos(&at) || !SeekToEnd(&length) || !SeekToPos(at))
        return 0;
    if (at == length)
        return 1;
    if (Allowed(XFileChange::SetEnd, at, 1) < 1)
        return 0;
    return SetEndOfFile(m_handle) ? 1 : 0;
}

int CXFile::ReadSwapped(void *value, uint32_t size)
{
    if (!Read(value, size))
        return 0;
    reverseBytes(static_cast<unsigned char *>(value), size);
    return 1;
}

int CXFile::WriteSwapped(const void *value, uint32_t size)
{
    unsigned char bytes[8];
    std::memcpy(bytes, value, size);
    reverseBytes(bytes, size);
    return Write(bytes, size);
}

int CXFile::ReadSwap16(void *value)
{
    return ReadSwapped(value, 2);
}
int CXFile::ReadSwap32(void *value)
{
    return ReadSwapped(value, 4);
}
int CXFile::ReadSwap64(void *value)
{
    return ReadSwapped(value, 8);
}
int CXFile::WriteSwap16(const void *value)
{
    return WriteSwapped(value, 2);
}
int CXFile::WriteSwap32(const void *value)
{
    return WriteSwapped(value, 4);
}
int CXFile::WriteSwap64(const void *value)
{
    return WriteSwapped(value, 8);
}

int CXFile::ReadSwapArray(void *buffer, uint32_t count, uint32_t elementSize)
{
    if (!ReadArray(buffer, count, elementSize))
        return 0;
    if (isSwappedSize(elementSize)) {
        auto *bytes = static_cast<unsigned char *>(buffer);
        for (uint32_t i = 0; i < count; ++i)
            reverseBytes(bytes + size_t(i) * elementSize, elementSize);
    }
    return 1;
}

int CXFile::WriteSwapArray(const void *buffer, uint32_t count, uint32_t elementSize)
{
    constexpr uint32_t bufferSize = 128;
    if (elementSize == 0 || elementSize > bufferSize)
        return 0;
    if (!isSwappedSize(elementSize))
        return WriteArray(buffer, count, elementSize);
    const uint32_t perChunk = bufferSize / elementSize;
    auto *from = static_cast<const unsigned char *>(buffer);
    unsigned char chunk[bufferSize];
    while (count > 0) {
        const uint32_t n = std::min(count, perChunk);
        std::memcpy(chunk, from, size_t(n) * elementSize);
        for (uint32_t i = 0; i < n; ++i)
            reverseBytes(chunk + i * elementSize, elementSize);
        if (!Write(chunk, n * elementSize))
            return 0;
        from += size_t(n) * elementSize;
        count -= n;
    }
    return 1;
}

int CXFile::BytesLeft(uint32_t *left)
{
    uint32_t at, end = m_limitEnd;
    if (!GetCurrentPos(&at))
        return 0;
    if (at < m_limitFrom || at > m_limitEnd || m_limitEnd == NoLimit) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(m_handle, &size))
            return 0;
        end = uint32_t(std::min<int64_t>(size.QuadPart, 0xFFFFFFFF));
    }
    *left = end > at ? end - at : 0;
    return 1;
}

// Reads `length` bytes into a new block of length + extra bytes (the extra
// ones zeroed); a length that does not fit what is left fails first.
int CXFile::ReadCounted(void **data, uint32_t length, uint32_t extra)
{
    *data = nullptr;
    uint32_t left;
    if (!BytesLeft(&left) || length > left)
        return 0;
    auto *block = static_cast<unsigned char *>(std::malloc(size_t(length) + extra));
    if (!block) {
        Skip(length);
        return CannotRead(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!Read(block, length)) {
        std::free(block);
        return 0;
    }
    std::memset(block + length, 0, extra);
    *data = block;
    return 1;
}

int CXFile::ReadTerminated(char **text, uint32_t length)
{
    *text = nullptr;
    if (length == 0)
        return 1;
    void *block;
    if (!ReadCounted(&block, length, 1))
        return 0;
    *text = static_cast<char *>(block);
    return 1;
}

int CXFile::ReadString(char **text)
{
    uint8_t length;
    *text = nullptr;
    return Read8(&length) && ReadTerminated(text, length);
}

int CXFile::ReadStringHuge(char **text)
{
    uint32_t length;
    *text = nullptr;
    return Read32(&length) && ReadTerminated(text, length);
}

int CXFile::WriteString(const char *text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length > 255)
        return 0;
    const uint8_t stored = uint8_t(length);
    return Write8(&stored) && Write(text, stored);
}

int CXFile::WriteStringHuge(const char *text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length > 0xFFFFFFFF)
        return 0;
    const uint32_t stored = uint32_t(length);
    return Write32(&stored) && Write(text, stored);
}

int CXFile::ReadBlob(void **data, uint32_t *size)
{
    *data = nullptr;
    *size = 0;
    uint32_t length;
    if (!Read32(&length))
        return 0;
    if (length == 0)
        return 1;
    if (!ReadCounted(data, length, 0))
        return 0;
    *size = length;
    return 1;
}

int CXFile::WriteBlob(const void *data, uint32_t size)
{
    if (size > 0 && !data)
        return 0;
    return Write32(&size) && Write(data, size);
}

} // namespace Quorvane
