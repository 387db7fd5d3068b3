#include "db/records/record_scan.h"

namespace Quorvane {

namespace {

void putU32(unsigned char *bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

uint32_t getU32(const unsigned char *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

} // namespace

bool IsValidRecordFlags(uint8_t flags)
{
    return (flags & ~(SDB_ADDED | SDB_DELETED)) == 0;
}

void EncodeRecordHeader(const SDBNOTE &note, unsigned char *bytes)
{
    bytes[0] = note.flags;
    bytes[1] = note.type;
    putU32(bytes + 2, note.id);
    putU32(bytes + 6, note.parent);
    putU32(bytes + 10, note.size);
}

void DecodeRecordHeader(const unsigned char *bytes, SDBNOTE &note)
{
    note.flags = bytes[0];
    note.type = bytes[1];
    note.id = getU32(bytes + 2);
    note.parent = getU32(bytes + 6);
    note.size = getU32(bytes + 10);
}

RecordScanner::RecordScanner(CXFile &file, uint32_t fileEnd, unsigned char *buffer, uint32_t bufferSize)
    : RecordScanner(file, SDB_HEAD_SIZE, fileEnd, buffer, bufferSize)
{
}

RecordScanner::RecordScanner(CXFile &file, uint32_t from, uint32_t end, unsigned char *buffer,
                             uint32_t bufferSize)
    : m_reader(file, from, end < from ? from : end, buffer, bufferSize)
{
}

RecordScanner::Step RecordScanner::Next(SDBNOTE &note)
{
    const uint32_t left = m_reader.Left();
    if (left == 0)
        return Step::End;
    const unsigned char *bytes;
    if (!m_reader.Peek(left < SDB_HEADER_SIZE ? 1 : SDB_HEADER_SIZE, &bytes))
        return Step::Damaged;
    const uint8_t flags = bytes[0];
    const Step unfit = IsValidRecordFlags(flags) && (flags & SDB_ADDED) ? Step::TornAddition : Step::Damaged;
    if (left < SDB_HEADER_SIZE)
        return unfit;
    DecodeRecordHeader(bytes, note);
    if (!IsValidRecordFlags(flags))
        return Step::Damaged;
    if (note.size > left - SDB_HEADER_SIZE)
        return unfit;
    note.position = m_reader.Position();
    note.next = nullptr;
    m_reader.Skip(SDB_HEADER_SIZE + note.size);
    return Step::Record;
}

} // namespace Quorvane
