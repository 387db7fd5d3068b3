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

// The parts as a load may change them, compared whole.
struct PartsSeen {
    std::array<int32_t, kPartCount> lengths;
    float tempo;
    std::array<std::array<bool, 3>, kPartCount> active;
    std::array<std::array<std::string, 3>, kPartCount> states;

    explicit PartsSeen(const FakeStore &store) : lengths(store.lengths), tempo(store.storedTempo)
    {
        for (int p = 0; p < kPartCount; ++p) {
            active[p] = store.parts[p].active;
            states[p] = store.parts[p].states;
        }
    }
    bool operator==(const PartsSeen &) const = default;
};

// A store whose parts differ from one another and from anything the
// damaged data below holds.
FakeStore distinctStore()
{
    FakeStore store;
    store.storedTempo = 97.0f;
    for (int p = 0; p < kPartCount; ++p) {
        store.lengths[p] = 1 + (p + 3) % 8;
        store.parts[p].active = {p % 2 == 0, true, p % 3 != 0};
        store.parts[p].states = {"slices" + std::to_string(p), std::string("fill\0one", 8), "fill two"};
    }
    return store;
}

enum class Reader { Part, Style, Clipboard };

bool load(Reader reader, CStorage &storage, FakeStore &store)
{
    switch (reader) {
    case Reader::Part:
        return LoadPartFile(storage, store, 3);
    case Reader::Style:
        return LoadStyleFile(storage, store);
    case Reader::Clipboard:
        return LoadClipboardPart(storage, store, 3);
    }
    return false;
}

// Damaged data, made by hand: the load is refused and has changed nothing,
// also what lay before the damage.
struct DamagedCase {
    const char *name;
    Reader reader;
    std::string bytes;
};

void PrintTo(const DamagedCase &c, std::ostream *os)
{
    *os << c.name;
}

class DamagedPartFileTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedPartFileTest, IsRefusedAndChangesNothing)
{
    const DamagedCase &c = GetParam();
    FakeStore store = distinctStore();
    const PartsSeen before(store);
    CMemStorage storage;
    if (!c.bytes.empty())
        fill(storage, c.bytes);
    EXPECT_FALSE(load(c.reader, storage, store));
    EXPECT_TRUE(PartsSeen(store) == before);
    EXPECT_EQ(store.tempoCalls, 0);
    for (int p = 0; p < kPartCount; ++p)
        EXPECT_EQ(store.parts[p].log, "") << p;
}

const std::string kHead = Bytes().text("QN31").word(4).word(0x42C80000).data;
const std::string kGoodPart = Bytes().word(5).state(0, "a").state(1, "bb").state(0, "c").data;

std::string styleHead()
{
    std::string bytes = Bytes().text("QN32").word(0x42F00000).data;
    for (int p = 0; p < 11; ++p)
        bytes += kGoodPart;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPartFileTest,
    testing::Values(
        DamagedCase{"empty", Reader::Part, ""}, DamagedCase{"short_magic", Reader::Part, "QN3"},
        DamagedCase{"length_zero", Reader::Part, Bytes().text("QN31").word(0).word(0x42C80000).data},
        DamagedCase{"length_nine", Reader::Part, Bytes().text("QN31").word(9).word(0x42C80000).data},
        DamagedCase{"no_tempo", Reader::Part, Bytes().text("QN31").word(4).data},
        DamagedCase{"no_states", Reader::Part, kHead},
        DamagedCase{"state_size_zero", Reader::Part, kHead + Bytes().word(1).word(0).data},
        DamagedCase{"state_size_negative", Reader::Part, kHead + Bytes().word(1).word(0xFFFFFFFF).data},
        DamagedCase{"state_size_past_end", Reader::Part,
                    kHead + Bytes().word(1).word(0x7FFFFFF0).text("ab").data},
        DamagedCase{"second_state_short", Reader::Part,
                    kHead + Bytes().state(0, "ok").word(1).word(5).text("abc").data},
        DamagedCase{"third_state_missing", Reader::Part, kHead + Bytes().state(0, "ok").state(0, "ok").data},
        DamagedCase{"style_tempo_only", Reader::Style, Bytes().text("QN32").word(0x42F00000).data},
        DamagedCase{"style_last_part_short", Reader::Style, styleHead() + Bytes().word(5).state(0, "a").data},
        DamagedCase{"style_last_length_nine", Reader::Style, styleHead() + Bytes().word(9).data},
        DamagedCase{"style_with_part_magic", Reader::Style,
                    Bytes().text("QN31").word(0x42F00000).data + kGoodPart},
        DamagedCase{"clipboard_short_state", Reader::Clipboard,
                    Bytes().word(5).state(0, "a").word(0).word(2).text("b").data},
        DamagedCase{"clipboard_length_negative", Reader::Clipboard, Bytes().word(0xFFFFFFFF).data}),
    [](const testing::TestParamInfo<DamagedCase> &info) { return std::string(info.param.name); });

// A drummer that refuses its state, when the ones before it have taken
// theirs: every part is put back as it was, states byte for byte.
TEST(PartFilesTest, ADrummerThatRefusesItsStatePutsEveryPartBack)
{
    struct Case {
        Reader reader;
        std::string bytes;
        int refusingPart;
    };
    std::string style = Bytes().text("QN32").word(0x42F00000).data;
    for (int p = 0; p < kPartCount; ++p)
        style += Bytes().word(8).state(1, "a").state(0, p == 9 ? "bad" : "bb").state(1, "c").data;
    const Case cases[] = {
        {Reader::Part, kHead + Bytes().state(0, "a").state(0, "bad").state(1, "c").data, 3},
        {Reader::Style, style, 9},
        {Reader::Clipboard, Bytes().word(8).state(1, "a").state(0, "bad").state(0, "c").data, 3},
    };
    for (const Case &c : cases) {
        FakeStore store = distinctStore();
        store.parts[c.refusingPart].refuseState = "bad";
        const PartsSeen before(store);
        CMemStorage storage;
        fill(storage, c.bytes);
        EXPECT_FALSE(load(c.reader, storage, store)) << static_cast<int>(c.reader);
        EXPECT_TRUE(PartsSeen(store) == before) << static_cast<int>(c.reader);
        // The refused drummer and the one before it were given their old
        // states again; the one after it was never touched.
        EXPECT_NE(store.parts[c.refusingPart].log.find("load1=bad "), std::string::npos);
        EXPECT_EQ(store.parts[c.refusingPart].log.find("load2="), std::string::npos);
    }
}

TEST(PartFilesTest, AStyleDamagedInItsLastPartChangesNoPart)
{
    FakeStore saved;
    for (int p = 0; p < kPartCount; ++p)
        saved.lengths[p] = 6;
    CMemStorage whole;
    ASSERT_TRUE(SaveStyleFile(whole, saved));
    // Cut the file inside part 11's last state.
    const std::string bytes = contentOf(whole);
    CMemStorage cut;
    fill(cut, bytes.substr(0, bytes.size() - 1));

    FakeStore loaded = distinctStore();
    const PartsSeen before(loaded);
    EXPECT_FALSE(LoadStyleFile(cut, loaded));
    EXPECT_TRUE(PartsSeen(loaded) == before);

    // Whole, the same file is taken.
    whole.SetPos(0);
    EXPECT_TRUE(LoadStyleFile(whole, loaded));
    EXPECT_EQ(loaded.lengths[11], 6);
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
