// What the record file's tests share: hand-written stored bytes, a database
// that exposes commit and discard, a hook that counts or fails file changes,
// and the copies of written files that the independent reader walks.
#pragma once

#include "db/records/sdb.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

namespace records_test {

using Bytes = std::string;

// "TPRS" as the equipment database stores it.
constexpr uint32_t kMagic = 0x53525054;

Bytes u32(uint32_t value);
// The 20-byte head: magic and id.
Bytes headBytes(uint32_t magic, const Quorvane::DBUID &uid);
// One stored record: the 14-byte header and the body.
Bytes recordBytes(uint8_t flags, uint8_t type, uint32_t id, uint32_t parent, const Bytes &body);
// A fresh id, different in every call.
Quorvane::DBUID freshUid();

// A rollback journal as a compaction writes it: the 40-byte head ("SDJ2",
// the file's magic and id, from, end, the body's length and the FNV-1a
// checksum of the head's first 36 bytes and the body), then the body.
Bytes journalBytes(uint32_t magic, const Quorvane::DBUID &uid, uint32_t from, uint32_t end,
                   const Bytes &body);
// A journal of the first layout ("SDBJ", magic, id, from, end; no check).
Bytes firstLayoutJournalBytes(uint32_t magic, const Quorvane::DBUID &uid, uint32_t from, uint32_t end,
                              const Bytes &body);

// The protected compaction, for tests that go on using the database.
class TestDB : public Quorvane::CSDB {
public:
    using CSDB::Commit;
    using CSDB::Discard;
    using CSDB::GetNewID;
};

// A record kind whose body is one short string.
class StringCodec : public Quorvane::CSDBInterpretator {
public:
    StringCodec(uint8_t type, uint32_t id, uint32_t parent, std::string text = "")
        : CSDBInterpretator(type, id, parent), text(std::move(text))
    {
    }
    int Read(Quorvane::CXFile *file) override;
    int Write(Quorvane::CXFile *file) override { return file->WriteString(text.c_str()); }
    int Compare(const CSDBInterpretator *other) const override
    {
        return text.compare(static_cast<const StringCodec *>(other)->text);
    }
    uint32_t GetSize() override { return uint32_t(1 + text.size()) + sizeError; }

    std::string text;
    uint32_t sizeError = 0; // a faulty codec announces more than it writes
};

// Appends a record with these bytes; answers its id (0xFFFFFFFF on failure).
uint32_t addRecord(Quorvane::CSDB &db, uint8_t type, uint32_t parent, const Bytes &body);
// The body of a live record, or "<missing>".
Bytes bodyOf(Quorvane::CSDB &db, uint32_t id);

// Counts the changes CXFile makes to disk files while it lives; can fail the
// n-th change (counting from 1) or every change from the n-th on.
class ChangeHook {
public:
    enum class Mode { Count, FailOne, FailFrom };
    explicit ChangeHook(Mode mode = Mode::Count, uint32_t n = 0);
    ~ChangeHook();
    ChangeHook(const ChangeHook &) = delete;
    ChangeHook &operator=(const ChangeHook &) = delete;
    uint32_t count() const;
};

// The folder of the running test executable (the tests' programs are there).
std::string testExecutableFolder();

// Deletes the files of a folder (made when missing).
void emptyFolder(const std::string &folder);

// Keeps a copy of a record file and a listing of it as the library reads it
// (how the file ends and every record with a hash of its body) for the
// independent reader that the test run ends with.
void keepForReader(const std::string &path);

} // namespace records_test
