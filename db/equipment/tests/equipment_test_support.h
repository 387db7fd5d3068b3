// What the equipment database's tests share: stored bytes written by hand,
// a database in a private folder, and its live records read back raw.
#pragma once

#include "db/equipment/tembri_db.h"
#include "testing/sandbox.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace equipment_test {

using Bytes = std::string;

Bytes u16(uint16_t value);
Bytes u32(uint32_t value);
Bytes f32(float value);
// Short string (u8 length), long string and blob (u32 length).
Bytes shortString(const std::string &text);
Bytes longString(const std::string &text);
Bytes blob(const Bytes &bytes);
// One stored record: the 14-byte header and the body.
Bytes recordBytes(uint8_t flags, uint8_t type, uint32_t id, uint32_t parent, const Bytes &body);

// A live record as the file holds it.
struct Record {
    uint8_t type;
    uint32_t id;
    uint32_t parent;
    Bytes body;
};
// The live records in file order, bodies read raw.
std::vector<Record> liveRecords(Quorvane::CSDB &db);
// The live records of a type.
std::vector<Record> liveRecords(Quorvane::CSDB &db, uint8_t type);

// A database file in the test's own folder.
class DatabaseFolder {
public:
    std::string path(const std::string &name = "Equipment.prs") const { return folder_.file(name); }
    // Opens or creates the database; result as the constructor answers it.
    std::unique_ptr<Quorvane::CTembriDB> open(long &result, const std::string &name = "Equipment.prs") const;

private:
    testing_support::TempFolder folder_;
};

} // namespace equipment_test
