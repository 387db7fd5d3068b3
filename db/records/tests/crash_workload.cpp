#include "db/records/tests/crash_workload.h"

#include <cstring>
#include <random>
#include <vector>

namespace crash_workload {

using namespace Quorvane;

namespace {

uint32_t checksum(const char *bytes, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i)
        hash = (hash ^ uint8_t(bytes[i])) * 16777619u;
    return hash;
}

void put(std::string &bytes, uint32_t value)
{
    bytes.append(reinterpret_cast<const char *>(&value), 4);
}

// Mostly small bodies; now and then one larger than the 64 KiB copy buffer.
uint32_t payloadLength(std::mt19937 &random)
{
    return random() % 400 == 0 ? 70000 + random() % 5000 : 8 + random() % 300;
}

// Appends a record with a body of its own id: the id is known only after
// the append, so the body is written for the id the database will hand out.
bool append(CSDB &db, uint8_t type, uint32_t parent, uint32_t generation, std::mt19937 &random,
            std::vector<uint32_t> &ids)
{
    const uint32_t expectedId = ids.empty() ? 0 : ids.back() + 1;
    const std::string body = makeBody(expectedId, generation, payloadLength(random));
    SDBNOTE note;
    note.type = type;
    note.parent = parent;
    note.size = uint32_t(body.size());
    if (!db.AddNewNote(&note, body.data()) || note.id != expectedId)
        return false;
    ids.push_back(note.id);
    return true;
}

// A live id picked at random, or SDB_NO_PARENT.
uint32_t pickLive(CSDB &db, const std::vector<uint32_t> &ids, std::mt19937 &random)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const uint32_t id = ids[random() % ids.size()];
        if (db.GetNoteByID(id))
            return id;
    }
    return SDB_NO_PARENT;
}

} // namespace

std::string makeBody(uint32_t id, uint32_t generation, uint32_t length)
{
    std::string body;
    put(body, id);
    put(body, generation);
    for (uint32_t i = 0; i < length; ++i)
        body.push_back(char(id * 31 + generation * 7 + i));
    put(body, checksum(body.data(), body.size()));
    return body;
}

bool bodyIsWhole(uint32_t id, const void *body, uint32_t size)
{
    if (size < 12)
        return false;
    const char *bytes = static_cast<const char *>(body);
    uint32_t storedId, storedChecksum;
    std::memcpy(&storedId, bytes, 4);
    std::memcpy(&storedChecksum, bytes + size - 4, 4);
    return storedId == id && storedChecksum == checksum(bytes, size - 4);
}

bool buildBase(const char *path, uint32_t count)
{
    CSDB db;
    if (!db.Create(path, kMagic))
        return false;
    std::mt19937 random(7);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t parent = ids.empty() || random() % 3 == 0 ? SDB_NO_PARENT : ids[random() % ids.size()];
        if (!append(db, uint8_t(0x10 + random() % 5), parent, 0, random, ids))
            return false;
    }
    return db.Close(1) != 0;
}

bool applyChanges(CSDB &db)
{
    std::mt19937 random(2024);
    std::vector<uint32_t> ids;
    for (const SDBNOTE *note = db.GetNoteByType(nullptr, SDB_ANY_TYPE); note;
         note = db.GetNoteByType(note, SDB_ANY_TYPE))
        ids.push_back(note->id);
    if (ids.empty())
        return false;
    for (int i = 0; i < 200; ++i) {
        const uint32_t parent = random() % 3 == 0 ? SDB_NO_PARENT : pickLive(db, ids, random);
        if (!append(db, uint8_t(0x10 + random() % 5), parent, 1, random, ids))
            return false;
    }
    for (int i = 0; i < 150; ++i) {
        const SDBNOTE *old = db.GetNoteByID(pickLive(db, ids, random));
        if (!old)
            return false;
        SDBNOTE note = *old;
        const std::string body = makeBody(note.id, 2, payloadLength(random));
        note.size = uint32_t(body.size());
        if (!db.ChangeNote(&note, body.data()))
            return false;
    }
    for (int i = 0; i < 80; ++i)
        if (!db.DeleteNoteByID(pickLive(db, ids, random)))
            return false;
    return true;
}

} // namespace crash_workload
