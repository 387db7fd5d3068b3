// The bodies of the equipment database's record kinds, pinned by bytes
// written by hand, and how the choosers order them.
#include "db/equipment/equipment_records.h"

#include "db/equipment/tests/equipment_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

using namespace Quorvane;
using namespace equipment_test;

namespace {

class RecordBodies : public ::testing::Test {
protected:
    void SetUp() override
    {
        long result = 0;
        db = folder.open(result);
        ASSERT_EQ(result, 2);
        db->Lock();
    }
    void TearDown() override
    {
        db->Unlock();
        folder.keep();
    }

    // Appends through the codec; answers the stored body.
    Bytes store(CSDBInterpretator &codec)
    {
        EXPECT_TRUE(db->AddNewNote(&codec));
        SDBNOTE header;
        void *body = nullptr;
        EXPECT_TRUE(db->ReadNote(codec.id, &header, &body));
        EXPECT_EQ(header.size, codec.GetSize());
        Bytes bytes = body ? Bytes(static_cast<char *>(body), header.size) : Bytes();
        std::free(body);
        return bytes;
    }

    DatabaseFolder folder;
    std::unique_ptr<CTembriDB> db;
};

TEST_F(RecordBodies, PortAndPresetBodies)
{
    PORTNOTE port(0x51);
    port.descr.SetName("Strings");
    port.descr.kind = 4;
    port.descr.SetData("C:\\Vst\\strings.dll");
    port.descr.SetParams("\x09\x08\x07", 3);
    port.extra = 7;
    EXPECT_EQ(store(port), shortString("Strings") + u32(4) + blob(Bytes("C:\\Vst\\strings.dll", 19)) +
                               blob("\x09\x08\x07") + u32(7));

    PORTNOTE read(0x51, port.id);
    ASSERT_TRUE(db->ReadNote(&read));
    EXPECT_STREQ(read.descr.name, "Strings");
    EXPECT_TRUE(read.descr.IsEqualParams(port.descr));
    EXPECT_EQ(read.extra, 7u);
    EXPECT_EQ(read.parent, SDB_NO_PARENT);

    // A type other than the codec's does not read.
    PORTNOTE wrongType(0x50, port.id);
    EXPECT_FALSE(db->ReadNote(&wrongType));
}

TEST_F(RecordBodies, EmptyStringsAndBlobsAreBareLengthsAndReadBackAsNull)
{
    PORTNOTE port(0x50);
    EXPECT_EQ(store(port), shortString("") + u32(0xFFFFFFFF) + blob("") + blob("") + u32(0));
    PORTNOTE read(0x50, port.id);
    ASSERT_TRUE(db->ReadNote(&read));
    EXPECT_EQ(read.descr.name, nullptr);
    EXPECT_EQ(read.descr.data, nullptr);
    EXPECT_EQ(read.descr.params, nullptr);
}

TEST_F(RecordBodies, TemplateDataScanAndSysExBodies)
{
    TEMPLATENOTE newSong(RT_TEMPLATE_NEWSONG);
    newSong.SetName("Ballad");
    const uint32_t fields[2] = {960, 44100};
    newSong.SetBlob(fields, 8);
    EXPECT_EQ(store(newSong), shortString("Ballad") + blob(u32(960) + u32(44100)));

    TEMPLATEDATANOTE data(0, newSong.id);
    data.blob = std::malloc(3);
    std::memcpy(data.blob, "xyz", 3);
    data.blobSize = 3;
    EXPECT_EQ(store(data), blob("xyz"));

    SCANNOTE scan;
    scan.file = _strdup("C:\\Vst\\a.dll");
    scan.value = 0x1234;
    EXPECT_EQ(store(scan), longString("C:\\Vst\\a.dll") + u32(0x1234) + blob(""));

    TEMPLATENOTE dumps(RT_TEMPLATE_SYSEX, 0, newSong.id);
    EXPECT_EQ(store(dumps), shortString("") + blob(""));
    SYSEXNOTE sysex(0, dumps.id);
    sysex.SetName("Reset");
    sysex.setting = 1;
    sysex.SetPortId("Port A");
    sysex.SetData("\xF0\x7E\xF7", 3);
    EXPECT_EQ(store(sysex), shortString("Reset") + u32(1) + shortString("Port A") + blob("\xF0\x7E\xF7"));
    SYSEXNOTE read(sysex.id);
    ASSERT_TRUE(db->ReadNote(&read));
    EXPECT_STREQ(read.port, "Port A");
    EXPECT_EQ(read.size, 3u);
}

TEST_F(RecordBodies, TrackAndBusBodies)
{
    TEMPLATENOTE song(RT_TEMPLATE_NEWSONG);
    song.SetBlob("\0\0\0\0\0\0\0\0", 8);
    store(song);
    TEMPLATENOTE tract(RT_TEMPLATE_SONGTRACT, 0, song.id);
    store(tract);
    TRACKNOTE master(0, song.id);
    master.trackId = 0;
    master.trackKind = 0;
    master.SetName("Master");
    master.SetMaster({3, 3, 16, 120});
    EXPECT_EQ(store(master), u32(0) + u32(0) + shortString("Master") + u32(0) + u32(0) + u32(0xFFFFFFFF) +
                                 u32(0xFFFFFFFF) + u32(0) + u32(0xFFFFFFFF) + u32(100) + u32(64) + u32(0) +
                                 u32(0) + blob(u32(3) + u32(3) + u32(16) + u32(120)));

    TRACKNOTE midi(0, song.id);
    midi.trackId = 2;
    midi.trackKind = 3;
    midi.flags = 5;
    midi.output = 1;
    const int32_t settings[8] = {9, 1, 2, 3, 90, 30, -2, 10};
    std::memcpy(midi.settings, settings, sizeof(settings));
    Bytes expected = u32(2) + u32(3) + shortString("") + u32(5) + u32(1);
    for (int32_t s : settings)
        expected += u32(uint32_t(s));
    EXPECT_EQ(store(midi), expected + blob(""));

    BUSNOTE bus(0, tract.id);
    bus.volume = 0.5f;
    bus.pan = 0.25f;
    bus.number = 2;
    EXPECT_EQ(store(bus), f32(0.5f) + f32(0.25f) + u32(2) + blob(""));
}

TEST(MasterSettings, AStoredTempoOfZeroCountsAsAHundred)
{
    TRACKNOTE master;
    master.SetMaster({4, 2, 15, 0});
    EXPECT_EQ(master.GetMaster().tempo, 100u);
    TRACKNOTE none;
    EXPECT_EQ(none.GetMaster().numerator, 4u);
    EXPECT_EQ(none.GetMaster().tempo, 100u);
}

TEST_F(RecordBodies, NamesOverAShortStringAreCut)
{
    const std::string longName(400, 'x');
    TEMPLATENOTE tmpl(RT_TEMPLATE_SYSEX);
    tmpl.SetName(longName.c_str());
    EXPECT_EQ(store(tmpl), shortString(std::string(255, 'x')) + blob(""));
}

TEST_F(RecordBodies, ALengthPastTheBodyFailsTheRead)
{
    folder.damagedOnPurpose();
    // The template's name claims 200 bytes; its record holds 5.
    const Bytes body = Bytes(1, char(200)) + "abcd";
    SDBNOTE note;
    note.type = RT_TEMPLATE_NEWSONG;
    note.parent = SDB_NO_PARENT;
    note.size = uint32_t(body.size());
    ASSERT_TRUE(db->AddNewNote(&note, body.data()));
    PORTNOTE after(0x50);
    after.descr.SetName("a name that stands behind");
    ASSERT_TRUE(db->AddNewNote(&after));
    TEMPLATENOTE read(RT_TEMPLATE_NEWSONG, note.id);
    EXPECT_FALSE(db->ReadNote(&read));
}

TEST(RecordOrder, ChoosersSortByTheFieldsOfEachKind)
{
    auto port = [](const char *name, long kind, uint32_t extra, const char *data) {
        auto p = std::make_unique<PORTNOTE>(0x50);
        p->descr.SetName(name);
        p->descr.kind = kind;
        p->extra = extra;
        if (data)
            p->descr.SetData(data);
        return p;
    };
    struct Case {
        const char *what;
        std::unique_ptr<PORTNOTE> a, b;
        int expected;
    };
    Case cases[] = {
        {"by name", port("A", 9, 9, "z"), port("B", 0, 0, "a"), -1},
        {"then kind", port("A", 1, 9, "z"), port("A", 2, 0, "a"), -1},
        {"then the trailing u32", port("A", 1, 3, "z"), port("A", 1, 2, "a"), 1},
        {"then data", port("A", 1, 2, "ab"), port("A", 1, 2, "ac"), -1},
        {"no data after data", port("A", 1, 2, nullptr), port("A", 1, 2, "a"), 1},
        {"equal", port("A", 1, 2, "a"), port("A", 1, 2, "a"), 0},
    };
    for (Case &c : cases)
        EXPECT_EQ(c.a->Compare(c.b.get()), c.expected) << c.what;

    BUSNOTE low, high;
    low.number = 1;
    high.number = 3;
    EXPECT_LT(low.Compare(&high), 0);
    TRACKNOTE t1, t2;
    t1.trackId = 4;
    t2.trackId = 4;
    t1.SetName("a");
    t2.SetName("b");
    EXPECT_LT(t1.Compare(&t2), 0);
}

TEST(PortKinds, RecordTypesAreTheTenCharacters)
{
    std::string types;
    for (int kind = 0; kind < kPortKinds; ++kind)
        types += char(PortRecordType(kind));
    EXPECT_EQ(types, "PQRST`abpq");
    EXPECT_EQ(PortRecordType(10), 0);
    EXPECT_EQ(PresetTypeOfPort(0x54), RT_PRESET_OUT);
    EXPECT_EQ(PresetTypeOfPort(0x62), RT_PRESET_AEFF);
    EXPECT_EQ(PresetTypeOfPort(0x71), RT_PRESET_MEFF);
    EXPECT_EQ(PresetTypeOfPort(0x30), 0);
}

} // namespace
