#include "app/files/part_files.h"

#include "app/files/tests/fake_parts.h"

#include "data/storage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;
using rallimoth_test::FakeStore;

namespace {

// Little-endian words and raw bytes, written out by hand.
struct Bytes {
    std::string data;
    Bytes &word(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes &text(const std::string &s)
    {
        data += s;
        return *this;
    }
    Bytes &state(uint32_t active, const std::string &s) { return word(active).word(s.size()).text(s); }
};

std::string contentOf(CMemStorage &storage)
{
    return std::string(reinterpret_cast<const char *>(storage.GetData()), storage.GetLength());
}

void fill(CMemStorage &storage, const std::string &bytes)
{
    ASSERT_TRUE(storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size())));
    storage.SetPos(0);
}

} // namespace

TEST(PartFilesTest, PartFileHasMagicLengthTempoAndThreeStates)
{
    FakeStore store;
    store.lengths[4] = 3;
    store.storedTempo = 120.0f; // 0x42F00000
    store.parts[4].active[1] = false;
    store.parts[4].states = {"loop", "fill-a", "b"};
    CMemStorage storage;
    ASSERT_TRUE(SavePartFile(storage, store, 4));

    const std::string expected =
        Bytes().text("QN31").word(3).word(0x42F00000).state(1, "loop").state(0, "fill-a").state(1, "b").data;
    EXPECT_EQ(contentOf(storage), expected);
}

TEST(PartFilesTest, StyleFileHasMagicTempoAndTwelveParts)
{
    FakeStore store;
    store.storedTempo = 90.5f; // 0x42B50000
    for (int p = 0; p < kPartCount; ++p) {
        store.lengths[p] = 1 + p % 8;
        store.parts[p].states = {std::to_string(p) + "s", "f", "g"};
    }
    store.parts[5].active[2] = false;
    CMemStorage storage;
    ASSERT_TRUE(SaveStyleFile(storage, store));

    Bytes expected;
    expected.text("QN32").word(0x42B50000);
    for (int p = 0; p < kPartCount; ++p)
        expected.word(1 + p % 8).state(1, std::to_string(p) + "s").state(1, "f").state(p == 5 ? 0 : 1, "g");
    EXPECT_EQ(contentOf(storage), expected.data);
}

TEST(PartFilesTest, ClipboardPartHasNoMagicAndNoTempo)
{
    FakeStore store;
    store.lengths[0] = 8;
    CMemStorage storage;
    ASSERT_TRUE(SaveClipboardPart(storage, store, 0));
    EXPECT_EQ(contentOf(storage), Bytes().word(8).state(1, "S0").state(1, "F1").state(1, "F2").data);
}

TEST(PartFilesTest, LoadingAPartFileAppliesLengthTempoActiveFlagsAndStates)
{
    FakeStore store;
    store.parts[7].active = {true, true, false};
    CMemStorage storage;
    fill(storage,
         Bytes().text("QN31").word(5).word(0x42F00000).state(1, "x").state(0, "yy").state(1, "zzz").data);

    ASSERT_TRUE(LoadPartFile(storage, store, 7));
    EXPECT_EQ(store.lengths[7], 5);
    EXPECT_FLOAT_EQ(store.storedTempo, 120.0f);
    // Only the elements whose flag differs are switched, each before its
    // state is loaded.
    EXPECT_EQ(store.parts[7].log, "load0=x active1=0 load1=yy active2=1 load2=zzz ");
    EXPECT_EQ(store.parts[6].log, "");
}

TEST(PartFilesTest, StyleRoundTripKeepsADisabledFillDrummer)
{
    FakeStore saved;
    saved.parts[5].active[2] = false;
    saved.parts[5].states[2] = "fill-two";
    saved.lengths[11] = 7;
    CMemStorage storage;
    ASSERT_TRUE(SaveStyleFile(storage, saved));
    storage.SetPos(0);

    FakeStore loaded;
    ASSERT_TRUE(LoadStyleFile(storage, loaded));
    EXPECT_FALSE(loaded.parts[5].active[2]);
    EXPECT_TRUE(loaded.parts[5].active[1]);
    EXPECT_EQ(loaded.parts[5].states[2], "fill-two");
    EXPECT_EQ(loaded.lengths[11], 7);
    EXPECT_EQ(storage.GetRemaining(), 0);
}

TEST(PartFilesTest, EachReaderRefusesTheOtherMagic)
{
    FakeStore store;
    CMemStorage part, style;
    ASSERT_TRUE(SavePartFile(part, store, 0));
    ASSERT_TRUE(SaveStyleFile(style, store));
    part.SetPos(0);
    style.SetPos(0);

    FakeStore target;
    EXPECT_FALSE(LoadStyleFile(part, target));
    EXPECT_FALSE(LoadPartFile(style, target, 0));
    EXPECT_EQ(target.tempoCalls, 0);
    EXPECT_EQ(target.parts[0].log, "");
}

// Damaged data: the load stops where the damage lies and keeps what was
// read before it.
struct DamagedCase {
    const char *name;
    std::string bytes;
    int32_t lengthAfter;
    const char *logAfter;
};

class DamagedPartFileTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedPartFileTest, StopsAtTheDamage)
{
    const DamagedCase &c = GetParam();
    FakeStore store;
    CMemStorage storage;
    fill(storage, c.bytes);
    EXPECT_FALSE(LoadPartFile(storage, store, 3));
    EXPECT_EQ(store.lengths[3], c.lengthAfter);
    EXPECT_EQ(store.parts[3].log, c.logAfter);
}

const std::string kHead = Bytes().text("QN31").word(4).word(0x42C80000).data;

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPartFileTest,
    testing::Values(
        DamagedCase{"empty", "", 2, ""}, DamagedCase{"short_magic", "QN3", 2, ""},
        DamagedCase{"length_zero", Bytes().text("QN31").word(0).word(0x42C80000).data, 2, ""},
        DamagedCase{"length_nine", Bytes().text("QN31").word(9).word(0x42C80000).data, 2, ""},
        DamagedCase{"no_states", kHead, 4, ""},
        DamagedCase{"state_size_zero", kHead + Bytes().word(1).word(0).data, 4, ""},
        DamagedCase{"state_size_negative", kHead + Bytes().word(1).word(0xFFFFFFFF).data, 4, ""},
        DamagedCase{"state_size_past_end", kHead + Bytes().word(1).word(0x7FFFFFF0).text("ab").data, 4, ""},
        DamagedCase{"second_state_short", kHead + Bytes().state(1, "ok").word(1).word(5).text("abc").data, 4,
                    "load0=ok "}),
    [](const testing::TestParamInfo<DamagedCase> &info) { return std::string(info.param.name); });

TEST(PartFilesTest, ADrummerThatRefusesItsStateEndsTheLoad)
{
    FakeStore store;
    store.parts[0].refuseLoad = true;
    CMemStorage storage;
    fill(storage, Bytes().word(3).state(1, "a").state(1, "b").state(1, "c").data);
    EXPECT_FALSE(LoadClipboardPart(storage, store, 0));
    EXPECT_EQ(store.lengths[0], 3);
    EXPECT_EQ(store.parts[0].log, "load0=a ");
}

TEST(PartFilesTest, AStyleDamagedInPartFiveKeepsTheFirstFive)
{
    FakeStore saved;
    for (int p = 0; p < kPartCount; ++p)
        saved.lengths[p] = 6;
    CMemStorage whole;
    ASSERT_TRUE(SaveStyleFile(whole, saved));
    // Cut the file inside part 5's first state.
    const std::string bytes = contentOf(whole);
    const size_t partSize = 4 + 3 * (8 + 2);
    CMemStorage cut;
    fill(cut, bytes.substr(0, 8 + 5 * partSize + 4 + 6));

    FakeStore loaded;
    EXPECT_FALSE(LoadStyleFile(cut, loaded));
    for (int p = 0; p < 5; ++p)
        EXPECT_EQ(loaded.lengths[p], 6) << p;
    EXPECT_EQ(loaded.lengths[5], 6);
    EXPECT_EQ(loaded.parts[5].log, "");
    EXPECT_EQ(loaded.lengths[6], 2);
}

TEST(PartFilesTest, APartWithoutDrummersIsNotWritten)
{
    struct NoDrummers final : PartStore {
        int32_t partLength(int) override { return 1; }
        void setPartLength(int, int32_t) override {}
        float tempo() override { return 100; }
        void setTempo(float) override {}
        PartStates *states(int) override { return nullptr; }
    } store;
    CMemStorage storage;
    EXPECT_FALSE(SavePartFile(storage, store, 0));
    EXPECT_FALSE(SavePartFile(storage, store, 12));
}
