// Opening or creating the equipment database and its stored I/O parameters.
#include "db/equipment/tembri_db.h"

#include "db/equipment/equipment_records.h"
#include "db/equipment/tests/equipment_test_support.h"
#include "db/records/tests/failing_reads.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace equipment_test;
using KeptAsideNotice = CTembriDB::KeptAsideNotice;

namespace {

const Bytes kRootBody =
    shortString("Tembri 1.0 Main DB") + shortString("") + u32(0x10000) + u32(0) + u32(0) + u32(0) + blob("");

TEST(EquipmentDatabase, AMissingFileIsCreatedWithARootRecord)
{
    DatabaseFolder folder;
    long result = -1;
    auto db = folder.open(result);
    ASSERT_EQ(result, 2);
    const std::vector<Record> records = liveRecords(*db);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, RT_ROOT);
    EXPECT_EQ(records[0].parent, SDB_NO_PARENT);
    EXPECT_EQ(records[0].body, kRootBody);
    EXPECT_EQ(testing_support::readFile(folder.path()).substr(0, 4), "TPRS");
    ASSERT_EQ(db->Close(1), 1);
    db.reset();

    auto again = folder.open(result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(liveRecords(*again).size(), 1u);
}

TEST(EquipmentDatabase, AFileWithoutARootRecordIsEmptiedAndGivenOne)
{
    DatabaseFolder folder;
    folder.damagedOnPurpose();
    {
        CSDB raw;
        ASSERT_TRUE(raw.Create(folder.path().c_str(), kEquipmentMagic));
        raw.Lock();
        SDBNOTE note;
        note.type = 0x50;
        note.parent = SDB_NO_PARENT;
        note.size = 3;
        ASSERT_TRUE(raw.AddNewNote(&note, "abc"));
        raw.Unlock();
        ASSERT_EQ(raw.Close(1), 1);
    }
    long result = -1;
    auto db = folder.open(result);
    EXPECT_EQ(result, 2);
    const std::vector<Record> records = liveRecords(*db);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, RT_ROOT);
}

// A database with records but no whole root record is damaged: it is kept
// aside byte for byte, the notice runs with the name it was kept under, and
// only then does a new database start in its place. A file without records
// only gets its root record, and a whole one is left alone.
TEST(EquipmentDatabase, ADamagedRootRecordKeepsTheFileAsideAndStartsANewOne)
{
    DatabaseFolder folder;
    folder.damagedOnPurpose();
    const std::string path = folder.path();
    {
        long result = -1;
        auto db = folder.open(result);
        ASSERT_EQ(result, 2);
        db->Lock();
        SDBNOTE port;
        port.type = 0x50;
        port.parent = SDB_NO_PARENT;
        port.size = 5;
        ASSERT_TRUE(db->AddNewNote(&port, "synth"));
        db->Unlock();
        ASSERT_EQ(db->Close(1), 1);
    }
    const Bytes whole = testing_support::readFile(path);
    const Bytes root = recordBytes(0, RT_ROOT, 0, SDB_NO_PARENT, kRootBody);
    ASSERT_EQ(whole.substr(20, root.size()), root);
    auto changed = [&whole](size_t at, char byte) {
        Bytes bytes = whole;
        bytes[20 + at] = byte;
        return bytes;
    };
    static std::vector<std::string> notices;
    const KeptAsideNotice notice = [](const char *keptAs) { notices.push_back(keptAs); };
    const struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"the root's type changed", changed(1, 0x05)},
        {"the root given a parent", changed(6, 0x01)},
        {"the title's length past the body", changed(14, char(0x60))},
        {"the title's length one short", changed(14, char(17))},
        // A committed record cannot follow a pending one.
        {"the root flagged added, before a committed record", changed(0, 0x01)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        notices.clear();
        RemoveXFile((path + ".damaged").c_str());
        ASSERT_TRUE(testing_support::writeFile(path, c.file));
        long result = -1;
        CTembriDB db(path.c_str(), kEquipmentVersion, result, notice);
        EXPECT_EQ(result, 2);
        ASSERT_EQ(notices, std::vector<std::string>{path + ".damaged"});
        const std::vector<Record> records = liveRecords(db);
        ASSERT_EQ(records.size(), 1u) << "a new database";
        EXPECT_EQ(records[0].body, kRootBody);
        // Kept as the user had it: nothing cut or discarded first.
        EXPECT_EQ(testing_support::readFile(path + ".damaged"), c.file);
    }

    notices.clear();
    ASSERT_TRUE(testing_support::writeFile(path, whole));
    long result = -1;
    {
        CTembriDB db(path.c_str(), kEquipmentVersion, result, notice);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(liveRecords(db).size(), 2u);
    }
    ASSERT_TRUE(testing_support::writeFile(path, whole.substr(0, 20)));
    RemoveXFile((path + ".damaged").c_str());
    {
        CTembriDB db(path.c_str(), kEquipmentVersion, result, notice);
        EXPECT_EQ(result, 2) << "a file without records gets its root";
        EXPECT_EQ(liveRecords(db).size(), 1u);
    }
    EXPECT_TRUE(notices.empty());
    EXPECT_FALSE(testing_support::fileExists(path + ".damaged"));
}

// A database the open refuses as damaged (one byte of the root's size off,
// so the records behind it read out of step; no whole head), or whose root
// is damaged, is
// kept aside exactly as it stood: no record of it cut, no pending change of
// it discarded first.
TEST(EquipmentDatabase, ADamagedDatabaseIsKeptAsideAsItStood)
{
    DatabaseFolder folder;
    folder.damagedOnPurpose();
    const std::string path = folder.path();
    Bytes pending;
    {
        long result = -1;
        auto db = folder.open(result);
        ASSERT_EQ(result, 2);
        IOPARAMS params;
        params.SetString(IOSTR_VSTDIR1, "C:\\Vst");
        ASSERT_EQ(db->SetIOParams(&params), 1);
        ASSERT_EQ(db->Close(1), 1);
        db = folder.open(result);
        ASSERT_EQ(result, 1);
        db->Lock();
        SDBNOTE port;
        port.type = 0x50;
        port.parent = SDB_NO_PARENT;
        port.size = 5;
        ASSERT_TRUE(db->AddNewNote(&port, "synth"));
        db->Unlock();
        // As a process that ended here leaves it: the port pending.
        pending = testing_support::readFile(path);
    }
    const Bytes whole = pending;
    ASSERT_EQ(uint8_t(whole[20 + 14 + kRootBody.size() + 1]), RT_IOPARAMS)
        << "the I/O parameters follow the root, their type the flags of an addition";
    auto changed = [&whole](size_t at, char byte) {
        Bytes bytes = whole;
        bytes[at] = byte;
        return bytes;
    };
    const struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"the root's size one more", changed(20 + 10, char(whole[20 + 10] + 1))},
        {"the root's title one short", changed(20 + 14, char(17))},
        // What a power cut while the first database was made can leave.
        {"an empty file", ""},
        {"a head cut short", whole.substr(0, 7)},
        {"a head of zeros before the records", Bytes(20, '\0') + whole.substr(20)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        static std::vector<std::string> notices;
        notices.clear();
        RemoveXFile((path + ".damaged").c_str());
        ASSERT_TRUE(testing_support::writeFile(path, c.file));
        long result = -1;
        CTembriDB db(path.c_str(), kEquipmentVersion, result,
                     [](const char *keptAs) { notices.push_back(keptAs); });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(notices, std::vector<std::string>{path + ".damaged"});
        EXPECT_EQ(testing_support::readFile(path + ".damaged"), c.file);
        EXPECT_EQ(liveRecords(db).size(), 1u) << "a new database";
    }
}

// A database that cannot be read is no damage: the open fails with the
// system's reason, nothing is kept aside or created, no notice runs, and the
// file stays byte for byte with every port, template and setting in it.
TEST(EquipmentDatabase, ADatabaseThatCannotBeReadStaysWhereItIs)
{
    DatabaseFolder folder;
    const std::string path = folder.path();
    {
        long result = -1;
        auto db = folder.open(result);
        ASSERT_EQ(result, 2);
        IOPARAMS params;
        params.SetString(IOSTR_VSTDIR1, "C:\\Vst");
        ASSERT_EQ(db->SetIOParams(&params), 1);
        ASSERT_EQ(db->Close(1), 1);
    }
    const Bytes whole = testing_support::readFile(path);
    const uint32_t rootBody = 20 + 14;
    static std::vector<std::string> notices;
    const struct {
        const char *what;
        uint32_t from;
        bool startingThere;
    } cases[] = {
        {"the head", 12, false},
        {"the walk over the records", uint32_t(whole.size()) - 5, false},
        {"the root record's body", rootBody + 3, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        notices.clear();
        long result = -1;
        std::unique_ptr<CTembriDB> db;
        {
            records_test::FailingReads failing(path, c.from, c.startingThere);
            db.reset(new CTembriDB(path.c_str(), kEquipmentVersion, result,
                                   [](const char *keptAs) { notices.push_back(keptAs); }));
        }
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(db->IsOpened());
        EXPECT_EQ(db->OpenError(), uint32_t(ERROR_READ_FAULT));
        EXPECT_TRUE(notices.empty());
        EXPECT_FALSE(testing_support::fileExists(path + ".damaged"));
        EXPECT_EQ(testing_support::readFile(path), whole);
    }
    long result = -1;
    CTembriDB db(path.c_str(), kEquipmentVersion, result);
    EXPECT_EQ(result, 1) << "once the disk reads again";
    EXPECT_EQ(liveRecords(db).size(), 2u);
}

TEST(EquipmentDatabase, AFileHeldByAnotherOpenIsLeftAlone)
{
    DatabaseFolder folder;
    long first = -1, second = -1;
    auto holder = folder.open(first);
    ASSERT_EQ(first, 2);
    const std::string before = testing_support::readFile(folder.path());
    auto other = folder.open(second);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(other->IsOpened());
    EXPECT_EQ(testing_support::readFile(folder.path()), before);
}

IOPARAMS sampleParams()
{
    IOPARAMS params;
    params.timeBase = 480;
    params.sampleRate = 48000;
    params.bitsPerSample = kFloatSamples;
    params.bufferFrames = 256;
    params.asp = 2;
    params.aspPort = 1;
    params.port1.kind = 3;
    params.port1.SetName("Synth");
    params.port1.SetData("Default Preview");
    params.port1.SetParams("\x01\x02", 2);
    params.SetString(IOSTR_WAVEDIR, "C:\\Audio\\");
    params.SetString(IOSTR_VSTDIR2, "D:\\Vst");
    return params;
}

TEST(EquipmentDatabase, IOParametersAreStoredInTheirBodyAndReadBack)
{
    DatabaseFolder folder;
    long result = 0;
    auto db = folder.open(result);
    IOPARAMS none;
    EXPECT_EQ(db->GetIOParams(&none), 0);

    IOPARAMS params = sampleParams();
    ASSERT_EQ(db->SetIOParams(&params), 1);
    const std::vector<Record> stored = liveRecords(*db, RT_IOPARAMS);
    ASSERT_EQ(stored.size(), 1u);
    const Bytes port1 = shortString("Synth") + u32(3) + blob(Bytes("Default Preview", 16)) + blob("\x01\x02");
    const Bytes port2 = shortString("") + u32(0xFFFFFFFF) + blob("") + blob("");
    EXPECT_EQ(stored[0].body, u32(480) + u32(48000) + u16(0x8020) + u32(256) + u32(2) + u32(1) + port1 +
                                  port2 + shortString("C:\\Audio\\") + shortString("") +
                                  shortString("D:\\Vst") + shortString(""));

    IOPARAMS read;
    ASSERT_EQ(db->GetIOParams(&read), 1);
    EXPECT_EQ(read.timeBase, 480);
    EXPECT_EQ(read.sampleRate, 48000);
    EXPECT_EQ(read.bitsPerSample, kFloatSamples);
    EXPECT_EQ(read.bufferFrames, 256);
    EXPECT_EQ(read.asp, 2);
    EXPECT_EQ(read.aspPort, 1);
    EXPECT_TRUE(read.port1.IsEqualParams(params.port1));
    EXPECT_STREQ(read.port1.name, "Synth");
    EXPECT_EQ(read.port2.kind, PORT_NONE);
    EXPECT_STREQ(read.strings[IOSTR_WAVEDIR], "C:\\Audio\\");
    EXPECT_EQ(read.strings[IOSTR_VSTDIR1], nullptr);
    EXPECT_STREQ(read.strings[IOSTR_VSTDIR2], "D:\\Vst");

    params.sampleRate = 96000;
    ASSERT_EQ(db->SetIOParams(&params), 1);
    EXPECT_EQ(liveRecords(*db, RT_IOPARAMS).size(), 1u);
    ASSERT_EQ(db->GetIOParams(&read), 1);
    EXPECT_EQ(read.sampleRate, 96000);
}

TEST(EquipmentDatabase, ALongFolderIsRefusedAndALongNameIsCut)
{
    DatabaseFolder folder;
    long result = 0;
    auto db = folder.open(result);
    IOPARAMS params = sampleParams();
    params.SetString(IOSTR_VSTDIR3, std::string(256, 'f').c_str());
    EXPECT_EQ(db->SetIOParams(&params), 0);
    EXPECT_TRUE(liveRecords(*db, RT_IOPARAMS).empty());

    params.SetString(IOSTR_VSTDIR3, std::string(255, 'f').c_str());
    params.port1.SetName(std::string(300, 'n').c_str());
    ASSERT_EQ(db->SetIOParams(&params), 1);
    IOPARAMS read;
    ASSERT_EQ(db->GetIOParams(&read), 1);
    EXPECT_EQ(std::string(read.port1.name), std::string(255, 'n'));
    EXPECT_EQ(std::string(read.strings[IOSTR_VSTDIR3]), std::string(255, 'f'));
}

TEST(EquipmentDatabase, ADamagedIOParameterRecordReadsAsNoneAndKeepsTheCallersRecord)
{
    DatabaseFolder folder;
    folder.damagedOnPurpose();
    long result = 0;
    auto db = folder.open(result);
    // A descriptor blob whose size runs past the body.
    const Bytes body =
        u32(960) + u32(44100) + u16(16) + u32(512) + u32(0) + u32(0) + shortString("") + u32(0) + u32(5000);
    SDBNOTE note;
    note.type = RT_IOPARAMS;
    note.parent = SDB_NO_PARENT;
    note.size = uint32_t(body.size());
    db->Lock();
    ASSERT_TRUE(db->AddNewNote(&note, body.data()));
    db->Unlock();
    IOPARAMS mine;
    mine.sampleRate = 22050;
    EXPECT_EQ(db->GetIOParams(&mine), 0);
    EXPECT_EQ(mine.sampleRate, 22050);
}

} // namespace
