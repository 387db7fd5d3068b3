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

// The folder of the test programs and their fixture modules, ending with a
// backslash.
std::string testsFolder();

// Keeps a copy of a database file for the independent reader that the test
// run ends with (build/tests/equipment_files/<program>/).
void keepForReader(const std::string &path);

// A database file in the test's own folder; the file is kept for the
// reader when the folder goes, unless the test wrote a damaged one on
// purpose.
class DatabaseFolder {
public:
    DatabaseFolder() = default;
    ~DatabaseFolder();
    DatabaseFolder(const DatabaseFolder &) = delete;
    DatabaseFolder &operator=(const DatabaseFolder &) = delete;
    std::string path(const std::string &name = "Equipment.prs") const { return folder_.file(name); }
    // Keeps the file as it is now (also while it is open).
    void keep() const;
    void damagedOnPurpose() { keep_ = false; }
    // Opens or creates the database; result as the constructor answers it.
    std::unique_ptr<Quorvane::CTembriDB> open(long &result, const std::string &name = "Equipment.prs") const;

private:
    testing_support::TempFolder folder_;
    bool keep_ = true;
};

} // namespace equipment_test
