#include "plugin/framework/drums/note_names_provider.h"
#include "plugin/framework/drums/tests/fake_host.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Quorvane::NoteNames;
using Quorvane::NoteNamesProvider;
using testing_support::TempFolder;
using testing_support::writeFile;

std::vector<std::string> setNames(const NoteNamesProvider &provider)
{
    std::vector<std::string> names;
    for (int i = 0; i < provider.getSetCount(); ++i) {
        std::string name;
        EXPECT_TRUE(provider.getSetName(i, name)) << i;
        names.push_back(name);
    }
    return names;
}

TEST(NoteNamesProvider, WithNothingOnlyGeneralMidiIsOffered)
{
    NoteNamesProvider provider;
    EXPECT_EQ(setNames(provider), std::vector<std::string>{"General MIDI Drums"});

    NoteNames set;
    EXPECT_TRUE(provider.findSet("", &set));
    EXPECT_EQ(set.getName(), "General MIDI Drums");
    EXPECT_EQ(set.getNoteName(42), "Closed Hi-Hat");
    EXPECT_FALSE(set.isNamed(34));
    EXPECT_FALSE(set.isNamed(82));

    set.setName("Kept");
    EXPECT_FALSE(provider.findSet("Unknown", &set));
    EXPECT_EQ(set.getName(), "Kept") << "an unknown name leaves the set";
    std::string name;
    EXPECT_FALSE(provider.getSetName(-1, name));
}

class TextSets : public ::testing::Test {
protected:
    std::string folderPath() const { return folder.path() + "\\"; }
    TempFolder folder;
};

TEST_F(TextSets, EveryTextFileBecomesASetNamedAfterIt)
{
    ASSERT_TRUE(writeFile(folder.file("Rock Kit.txt"), "36 Kick\r\n38 Snare\r\n"));
    ASSERT_TRUE(writeFile(folder.file("Jazz.txt"), "51 Ride\r\n"));
    ASSERT_TRUE(writeFile(folder.file("readme.doc"), "36 Not a set\r\n"));
    CreateDirectoryA(folder.file("Folder.txt").c_str(), nullptr);

    NoteNamesProvider provider;
    provider.loadTextSets(folderPath());
    ASSERT_EQ(provider.textSets().size(), 2u);
    std::vector<std::string> names = setNames(provider);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Jazz", "Rock Kit"}));

    NoteNames set;
    ASSERT_TRUE(provider.findSet("Rock Kit", &set));
    EXPECT_EQ(set.getNoteName(38), "Snare");
    EXPECT_TRUE(provider.findSet("General MIDI Drums", &set)) << "still found by name";
    EXPECT_EQ(set.getNoteName(38), "Acoustic Snare");
}

TEST_F(TextSets, KnownNamesAreNotLoadedTwice)
{
    ASSERT_TRUE(writeFile(folder.file("Kit.txt"), "36 Kick\n"));
    NoteNamesProvider provider;
    provider.loadTextSets(folderPath());
    provider.loadTextSets(folder.path()); // without the trailing separator
    EXPECT_EQ(provider.textSets().size(), 1u);
}

TEST_F(TextSets, AFileMaySupplyGeneralMidiAgain)
{
    ASSERT_TRUE(writeFile(folder.file("General MIDI Drums.txt"), "36 My Kick\n"));
    NoteNamesProvider provider;
    provider.loadTextSets(folderPath());
    NoteNames set;
    ASSERT_TRUE(provider.findSet("General MIDI Drums", &set));
    EXPECT_EQ(set.getNoteName(36), "My Kick");
}

TEST_F(TextSets, AMissingFolderGivesNoSets)
{
    NoteNamesProvider provider;
    provider.loadTextSets(folder.file("nowhere\\"));
    EXPECT_TRUE(provider.textSets().empty());
    EXPECT_EQ(provider.getSetCount(), 1);
}

// The host's note names arrive through the name-set interface the host
// context hands out.
class HostNames : public ::testing::Test {
protected:
    HostNames()
    {
        host.add("Studio Kit", {{36, "Kick"}, {38, "38"}, {40, "Rim"}});
        host.add("0..127", {{0, "0"}, {1, "1"}, {60, "Middle"}});
    }
    ~HostNames() override
    {
        EXPECT_EQ(host.refs, 1) << "every reference the provider took is given back";
        for (const auto &list : host.lists)
            EXPECT_EQ(list->refs, 1);
    }
    fake_host::NameSet host;
};

TEST_F(HostNames, HostSetsFollowTheTextSets)
{
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("Mine.txt"), "36 Boom\n"));
    NoteNamesProvider provider;
    provider.loadTextSets(folder.path());
    provider.setHostNoteNames(&host);
    EXPECT_EQ(setNames(provider), (std::vector<std::string>{"Mine", "Studio Kit", "0..127"}));
    std::string name;
    EXPECT_FALSE(provider.getSetName(3, name));
}

TEST_F(HostNames, AHostSetIsImportedByName)
{
    NoteNamesProvider provider;
    provider.setHostNoteNames(&host);
    NoteNames set;
    ASSERT_TRUE(provider.findSet("Studio Kit", &set));
    EXPECT_EQ(set.getName(), "Studio Kit");
    EXPECT_EQ(set.getNoteName(36), "Kick");
    EXPECT_EQ(set.getNoteName(40), "Rim");
    EXPECT_FALSE(set.isNamed(38)) << "a note named by its own number has no name";

    ASSERT_TRUE(provider.findSet("0..127", &set));
    EXPECT_EQ(set.getNoteName(1), "1") << "except in the set of numbers";
    EXPECT_EQ(set.getNoteName(60), "Middle");
}

TEST_F(HostNames, AnUnknownNameGivesGeneralMidi)
{
    NoteNamesProvider provider;
    provider.setHostNoteNames(&host);
    NoteNames set;
    EXPECT_FALSE(provider.findSet("Gone", &set));
    EXPECT_EQ(set.getName(), "General MIDI Drums");
    EXPECT_FALSE(provider.findSet("", nullptr));
}

TEST_F(HostNames, FailingHostCallsAnswerFalse)
{
    NoteNames set;
    set.setName("Before");
    host.lists[0]->failTitle = true;
    EXPECT_FALSE(NoteNamesProvider::importHostSet(&host, 0, set));
    host.lists[0]->failTitle = false;
    host.lists[0]->failCount = true;
    EXPECT_FALSE(NoteNamesProvider::importHostSet(&host, 0, set));
    EXPECT_FALSE(NoteNamesProvider::importHostSet(&host, 7, set));

    NoteNamesProvider provider;
    provider.setHostNoteNames(&host);
    host.failCount = true;
    std::string name;
    EXPECT_FALSE(provider.getSetName(0, name));
    EXPECT_EQ(provider.getSetCount(), 1);
}

// A host that claims more notes than there are, with names beyond 127.
TEST_F(HostNames, NotesBeyond127AreNotAsked)
{
    host.add("Wide", {{127, "Last"}, {128, "Beyond"}, {5000, "Far"}}, 6000);
    NoteNames set;
    ASSERT_TRUE(NoteNamesProvider::importHostSet(&host, 2, set));
    EXPECT_EQ(set.getNoteName(127), "Last");
    EXPECT_EQ(set.getNoteName(128), "");
}

TEST_F(HostNames, ReplacingAndClearingTheHostReleasesIt)
{
    NoteNamesProvider provider;
    provider.setHostNoteNames(&host);
    EXPECT_EQ(host.refs, 2);
    provider.setHostNoteNames(&host);
    EXPECT_EQ(host.refs, 2);
    provider.setHostNoteNames(nullptr);
    EXPECT_EQ(host.refs, 1);
    provider.setHostNoteNames(&host);
    provider.releaseHostInterfaces();
    EXPECT_EQ(host.refs, 1);
}

class DrumModuleNames : public ::testing::Test {
protected:
    DrumModuleNames()
    {
        module.shortNames = {{24, "BD1"}, {36, "KICK5"}, {38, "SN"}, {119, "LAST"}};
        module.longNames = {{36, "Big Kick"}, {38, ""}};
    }
    fake_host::DrumModule module;
};

TEST_F(DrumModuleNames, TwoSetsComeFirst)
{
    NoteNamesProvider provider;
    provider.setHostDrumModule(&module);
    EXPECT_EQ(setNames(provider), (std::vector<std::string>{"DR-008 Drums", "DR-008 Default"}));
    provider.releaseHostInterfaces();
    EXPECT_EQ(module.refs, 1);
}

TEST_F(DrumModuleNames, DrumsSetJoinsShortAndLongNames)
{
    NoteNamesProvider provider;
    provider.setHostDrumModule(&module);
    NoteNames set;
    ASSERT_TRUE(provider.findSet("DR-008 Drums", &set));
    EXPECT_TRUE(set.isDrumSet());
    EXPECT_EQ(set.getNoteName(36), "KICK5: Big Kick") << "five bytes without a terminating zero";
    EXPECT_FALSE(set.isNamed(38)) << "without a long name the note stays unnamed";
    EXPECT_EQ(set.getNoteNameOrDefault(38), "SN") << "but shows its short name";
    EXPECT_EQ(set.getNoteNameOrDefault(24), "BD1");
    EXPECT_EQ(set.getNoteNameOrDefault(23), "B1");
}

TEST_F(DrumModuleNames, DefaultSetHasTheShortNames)
{
    NoteNamesProvider provider;
    provider.setHostDrumModule(&module);
    NoteNames set;
    ASSERT_TRUE(provider.findSet("DR-008 Default", &set));
    EXPECT_FALSE(set.isDrumSet());
    EXPECT_EQ(set.getNoteName(36), "KICK5");
    EXPECT_EQ(set.getNoteName(119), "LAST");
    EXPECT_TRUE(set.isNamed(100));
    EXPECT_FALSE(set.isNamed(120));
}

TEST(NoteNamesProviderWithoutModule, DrumModuleSetsNeedTheModule)
{
    NoteNamesProvider provider;
    NoteNames set;
    EXPECT_FALSE(provider.fillDrumModuleSet(set));
    EXPECT_FALSE(provider.fillDrumModuleDefault(set));
    EXPECT_FALSE(provider.findSet("DR-008 Drums", &set));
}

} // namespace
