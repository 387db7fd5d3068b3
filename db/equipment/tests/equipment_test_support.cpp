#include "db/equipment/tests/equipment_test_support.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace equipment_test {

using namespace Quorvane;

Bytes u16(uint16_t value)
{
    return Bytes{char(value), char(value >> 8)};
}

Bytes u32(uint32_t value)
{
    Bytes bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

Bytes f32(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return u32(bits);
}

Bytes shortString(const std::string &text)
{
    return Bytes(1, char(text.size())) + text;
}

Bytes longString(const std::string &text)
{
    return u32(uint32_t(text.size())) + text;
}

Bytes blob(const Bytes &bytes)
{
    return u32(uint32_t(bytes.size())) + bytes;
}

Bytes recordBytes(uint8_t flags, uint8_t type, uint32_t id, uint32_t parent, const Bytes &body)
{
    return Bytes{char(flags), char(type)} + u32(id) + u32(parent) + u32(uint32_t(body.size())) + body;
}

std::vector<Record> liveRecords(CSDB &db, uint8_t type)
{
    std::vector<Record> records;
    db.Lock();
    for (SDBNOTE *note = db.GetNoteByType(nullptr, type); note; note = db.GetNoteByType(note, type)) {
        SDBNOTE header;
        void *body = nullptr;
        if (db.ReadNote(note->id, &header, &body)) {
            records.push_back({header.type, header.id, header.parent,
                               body ? Bytes(static_cast<char *>(body), header.size) : Bytes()});
            std::free(body);
        }
    }
    db.Unlock();
    return records;
}

std::vector<Record> liveRecords(CSDB &db)
{
    return liveRecords(db, SDB_ANY_TYPE);
}

namespace {

std::string programPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// This program's folder of kept files, emptied when it is first used.
std::string readerFolder()
{
    static const std::string folder = [] {
        const std::string program = programPath();
        const std::string tests = program.substr(0, program.find_last_of('\\'));
        std::string name = program.substr(tests.size() + 1);
        name = name.substr(0, name.find_last_of('.'));
        const std::string root = tests + "\\equipment_files";
        const std::string own = root + "\\" + name;
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(own.c_str(), nullptr);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((own + "\\*.prs").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((own + "\\" + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return own;
    }();
    return folder;
}

} // namespace

std::string testsFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of('\\') + 1);
}

void keepForReader(const std::string &path)
{
    if (!testing_support::fileExists(path))
        return;
    const std::string kept = readerFolder() + "\\" + testing_support::uniqueName("db") + ".prs";
    CopyFileA(path.c_str(), kept.c_str(), FALSE);
}

void DatabaseFolder::keep() const
{
    if (keep_)
        keepForReader(path());
}

DatabaseFolder::~DatabaseFolder()
{
    keep();
}

std::unique_ptr<CTembriDB> DatabaseFolder::open(long &result, const std::string &name) const
{
    return std::make_unique<CTembriDB>(path(name).c_str(), kEquipmentVersion, result);
}

} // namespace equipment_test
