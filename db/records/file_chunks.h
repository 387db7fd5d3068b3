// Sequential reads and writes of a file through a caller's buffer, for the
// passes that walk a whole record file: the key table scan, the compaction
// and the rollback journal.
#pragma once

#include "db/records/xfile.h"

#include <cstdint>

namespace Quorvane {

// The size of every pass's buffers.
constexpr uint32_t SDB_CHUNK_SIZE = 0x10000;

// Reads [from, end) of a file in order.
class SequentialReader {
public:
    SequentialReader(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer, uint32_t bufferSize);

    uint32_t Position() const { return m_position; }
    uint32_t Left() const { return m_end - m_position; }
    // Makes `n` bytes at the position readable at `*bytes` without consuming
    // them; n may not exceed the buffer or what is left.
    int Peek(uint32_t n, const unsigned char **bytes);
    // Consumes up to `max` bytes (at least one while any are left).
    int Take(uint32_t max, const unsigned char **bytes, uint32_t *taken);
    // Consumes `n` bytes unread; n may not exceed what is left.
    void Skip(uint32_t n) { m_position += n; }

private:
    uint32_t Buffered() const;
    int Fill();

    CXFile &m_file;
    uint32_t m_position, m_end;
    unsigned char *m_buffer;
    uint32_t m_bufferSize;
    uint32_t m_bufferStart = 0, m_bufferLength = 0;
};

// Writes a file in order from a position.
class SequentialWriter {
public:
    SequentialWriter(CXFile &file, uint32_t at, unsigned char *buffer, uint32_t bufferSize);

    // The file offset behind everything put so far.
    uint32_t Position() const { return m_flushed + m_length; }
    int Put(const void *bytes, uint32_t n);
    // Writes what is still buffered.
    int Finish();

private:
    CXFile &m_file;
    uint32_t m_flushed;
    unsigned char *m_buffer;
    uint32_t m_bufferSize;
    uint32_t m_length = 0;
};

// Copies `n` bytes from one file position to another through the buffer.
int CopyFileBytes(CXFile &from, uint32_t fromPosition, CXFile &to, uint32_t toPosition, uint32_t n,
                  unsigned char *buffer, uint32_t bufferSize);

} // namespace Quorvane
