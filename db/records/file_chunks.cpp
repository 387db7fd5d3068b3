#include "db/records/file_chunks.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

SequentialReader::SequentialReader(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer,
                                   uint32_t bufferSize)
    : m_file(file), m_position(from), m_end(end), m_buffer(buffer), m_bufferSize(bufferSize)
{
}

uint32_t SequentialReader::Buffered() const
{
    if (m_position < m_bufferStart || m_position - m_bufferStart >= m_bufferLength)
        return 0;
    return m_bufferLength - (m_position - m_bufferStart);
}

int SequentialReader::Fill()
{
    const uint32_t length = std::min(m_bufferSize, Left());
    if (!m_file.SeekToPos(m_position) || !m_file.Read(m_buffer, length))
        return 0;
    m_bufferStart = m_position;
    m_bufferLength = length;
    return 1;
}

int SequentialReader::Peek(uint32_t n, const unsigned char **bytes)
{
    if (n > m_bufferSize || n > Left() || (Buffered() < n && !Fill()))
        return 0;
    *bytes = m_buffer + (m_position - m_bufferStart);
    return 1;
}

int SequentialReader::Take(uint32_t max, const unsigned char **bytes, uint32_t *taken)
{
    if (Left() == 0 || max == 0 || (Buffered() == 0 && !Fill()))
        return 0;
    *bytes = m_buffer + (m_position - m_bufferStart);
    *taken = std::min(max, Buffered());
    m_position += *taken;
    return 1;
}

SequentialWriter::SequentialWriter(CXFile &file, uint32_t at, unsigned char *buffer, uint32_t bufferSize)
    : m_file(file), m_flushed(at), m_buffer(buffer), m_bufferSize(bufferSize)
{
}

int SequentialWriter::Put(const void *bytes, uint32_t n)
{
    auto *from = static_cast<const unsigned char *>(bytes);
    while (n > 0) {
        const uint32_t k = std::min(n, m_bufferSize - m_length);
        std::memcpy(m_buffer + m_length, from, k);
        m_length += k;
        from += k;
        n -= k;
        if (m_length == m_bufferSize && !Finish())
            return 0;
    }
    return 1;
}

int SequentialWriter::Finish()
{
    if (m_length == 0)
        return 1;
    if (!m_file.SeekToPos(m_flushed) || !m_file.Write(m_buffer, m_length))
        return 0;
    m_flushed += m_length;
    m_length = 0;
    return 1;
}

int CopyFileBytes(CXFile &from, uint32_t fromPosition, CXFile &to, uint32_t toPosition, uint32_t n,
                  unsigned char *buffer, uint32_t bufferSize)
{
    while (n > 0) {
        const uint32_t k = std::min(n, bufferSize);
        if (!from.SeekToPos(fromPosition) || !from.Read(buffer, k) || !to.SeekToPos(toPosition) ||
            !to.Write(buffer, k))
            return 0;
        fromPosition += k;
        toPosition += k;
        n -= k;
    }
    return 1;
}

} // namespace Quorvane
