#include "sound/ssynth_enum.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

using Item = IZQSSExEnum::tagENUMITEM;

// Lists by question; every list handed out must come back.
class FakeNames : public IZQSSExEnum {
public:
    void Nothing() override {}
    long Banks(Item **list) override { return hand(banks, list); }
    long Programs(long bank, Item **list) override { return hand(programs[bank], list); }
    long Notes(long bank, long program, long channel, Item **list) override
    {
        return hand(notes[key(bank, program, channel)], list);
    }
    long Controllers(Item **list) override { return hand(controllers, list); }
    void GiveBack(Item *) override { ++givenBack; }

    static long key(long bank, long program, long channel) { return (bank * 1000 + program) * 100 + channel; }
    // Names are kept alive by the fake; items point into them.
    std::vector<Item> list(std::initializer_list<std::pair<int, const char *>> entries)
    {
        std::vector<Item> items;
        for (const auto &[value, name] : entries) {
            texts.emplace_back(name ? name : "");
            items.push_back({value, name ? texts.back().data() : nullptr});
        }
        return items;
    }

    std::vector<Item> banks, controllers;
    std::map<long, std::vector<Item>> programs;
    std::map<long, std::vector<Item>> notes;
    std::deque<std::string> texts;
    int handed = 0, givenBack = 0;

private:
    long hand(std::vector<Item> &items, Item **out)
    {
        if (items.empty()) {
            *out = nullptr;
            return 0;
        }
        ++handed;
        *out = items.data();
        return static_cast<long>(items.size());
    }
};

std::string text(const char *buffer)
{
    return std::string(buffer);
}

TEST(SSynthEnum, WithoutBanksThereIsOneDefaultBank)
{
    FakeNames names;
    names.notes[FakeNames::key(0, 0, 0)] = names.list({{36, "Kick"}, {38, nullptr}});
    CSSynthEnum cache;
    cache.Init(&names);
    char name[kSoundNameSize];
    long number = -1;
    EXPECT_EQ(cache.IsBanksEnumed(), 0);
    EXPECT_EQ(cache.StringBank(name, 0), 1);
    EXPECT_EQ(text(name), "Default");
    EXPECT_EQ(cache.GetBankAt(0, name, number), 1);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(cache.GetBankAt(1, name, number), 0);
    // One list for channel 0, then an equal one for channel 1: valid for
    // every channel.
    EXPECT_EQ(cache.IsNotesEnumed(9, 0, 0), 0);
    names.notes[FakeNames::key(0, 0, 1)] = names.notes[FakeNames::key(0, 0, 0)];
    cache.Init(&names);
    EXPECT_EQ(cache.IsNotesEnumed(9, 0, 0), 1);
    EXPECT_EQ(cache.StringNote(name, 9, 0, 0, 36), 1);
    EXPECT_EQ(text(name), "Kick");
    // An unnamed note in a named block reads as its number.
    EXPECT_EQ(cache.StringNote(name, 9, 0, 0, 38), 1);
    EXPECT_EQ(text(name), "38");
    EXPECT_EQ(names.handed, names.givenBack);
}

TEST(SSynthEnum, BanksProgramsAndControllersAreSortedAndFound)
{
    FakeNames names;
    names.banks = names.list({{5, nullptr}, {2, "Strings"}});
    names.programs[2] = names.list({{10, "Violin"}, {3, "Cello"}});
    names.controllers = names.list({{10, "Pan"}, {7, "Volume"}});
    CSSynthEnum cache;
    cache.Init(&names);
    char name[kSoundNameSize];
    long number = -1;
    EXPECT_EQ(cache.IsBanksEnumed(), 1);
    ASSERT_EQ(cache.GetBankAt(0, name, number), 1);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(text(name), "Strings");
    ASSERT_EQ(cache.GetBankAt(1, name, number), 1);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(text(name), "Bank 5");
    EXPECT_EQ(cache.StringBank(name, 5), 1);
    EXPECT_EQ(text(name), "Bank 5");
    EXPECT_EQ(cache.StringProg(name, 2, 3), 1);
    EXPECT_EQ(text(name), "Cello");
    EXPECT_EQ(cache.StringProg(name, 2, 4), 0);
    EXPECT_EQ(cache.StringProg(name, 9, 3), 0);
    EXPECT_EQ(cache.StringCtrl(name, 7), 1);
    EXPECT_EQ(text(name), "Volume");
    EXPECT_EQ(cache.StringCtrl(name, 11), 0);
    EXPECT_EQ(names.handed, names.givenBack);
}

TEST(SSynthEnum, NoteBlocksPerProgramAndChannel)
{
    FakeNames names;
    names.banks = names.list({{0, "Drums"}});
    names.programs[0] = names.list({{0, "Standard"}, {8, "Room"}, {16, "Power"}});
    // Program 0: channel 9 differs from channel 0; program 8 has names on
    // channel 9 only; program 16 none.
    names.notes[FakeNames::key(0, 0, 0)] = names.list({{36, "Melodic 36"}});
    names.notes[FakeNames::key(0, 0, 9)] = names.list({{36, "Standard Kick"}});
    names.notes[FakeNames::key(0, 8, 9)] = names.list({{36, "Room Kick"}});
    CSSynthEnum cache;
    cache.Init(&names);
    char name[kSoundNameSize];
    ASSERT_EQ(cache.StringNote(name, 9, 0, 0, 36), 1);
    EXPECT_EQ(text(name), "Standard Kick");
    ASSERT_EQ(cache.StringNote(name, 0, 0, 0, 36), 1);
    EXPECT_EQ(text(name), "Melodic 36");
    EXPECT_EQ(cache.StringNote(name, 3, 0, 0, 36), 0);
    ASSERT_EQ(cache.StringNote(name, 9, 0, 8, 36), 1);
    EXPECT_EQ(text(name), "Room Kick");
    // An unknown program reads program 0's names; an unknown bank bank 0's.
    ASSERT_EQ(cache.StringNote(name, 9, 0, 16, 36), 1);
    EXPECT_EQ(text(name), "Standard Kick");
    ASSERT_EQ(cache.StringNote(name, 9, 7, 8, 36), 1);
    EXPECT_EQ(text(name), "Room Kick");
}

TEST(SSynthEnum, WithoutProgramZeroAnUnknownProgramHasNoNames)
{
    FakeNames names;
    names.programs[0] = names.list({{4, "Four"}});
    names.notes[FakeNames::key(0, 4, 9)] = names.list({{40, "Snare"}});
    CSSynthEnum cache;
    cache.Init(&names);
    char name[kSoundNameSize];
    EXPECT_EQ(cache.StringNote(name, 9, 0, 4, 40), 1);
    EXPECT_EQ(cache.StringNote(name, 9, 0, 5, 40), 0);
    EXPECT_EQ(cache.IsNotesEnumed(9, 0, 5), 0);
}

TEST(SSynthEnum, LongNamesAreCutAndTerminatedInsideTheBuffer)
{
    FakeNames names;
    const std::string longName(400, 'x');
    names.banks = names.list({{1, longName.c_str()}});
    names.controllers = names.list({{7, longName.c_str()}});
    CSSynthEnum cache;
    cache.Init(&names);
    char buffer[kSoundNameSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(cache.StringBank(buffer, 1), 1);
    EXPECT_EQ(std::strlen(buffer), static_cast<size_t>(kSoundNameSize - 1));
    EXPECT_EQ(buffer[kSoundNameSize], '#');
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(cache.StringCtrl(buffer, 7), 1);
    EXPECT_EQ(buffer[kSoundNameSize - 1], '\0');
    EXPECT_EQ(buffer[kSoundNameSize], '#');
}

TEST(SSynthEnum, WithoutTheSubInterfaceNothingIsCached)
{
    CSSynthEnum cache;
    cache.Init(nullptr);
    char name[kSoundNameSize];
    long number = 0;
    EXPECT_EQ(cache.GetBankAt(0, name, number), 0);
    EXPECT_EQ(cache.StringNote(name, 0, 0, 0, 60), 0);
}

} // namespace
