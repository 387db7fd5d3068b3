#include "bridge/dxi/instrument_names.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <string>

using namespace Halvorin;

namespace {

// The instrument as the bridge filter makes it, held by one reference.
class NamesTest : public ::testing::Test {
protected:
    NamesTest() { names->AddRef(); }
    ~NamesTest() override { names->Release(); }

    static std::string listName(INameList *list)
    {
        char text[64] = {};
        list->GetListName(text, sizeof text);
        return text;
    }
    static LONG numbers(INameList *list)
    {
        LONG count = -1;
        list->GetNumberCount(&count);
        return count;
    }

    CBridgeInstrumentNames *names = new CBridgeInstrumentNames("QN3_HalvorinDXi");
};

TEST_F(NamesTest, TheInstrumentNamesItselfIntoABufferWithRoomForTheTerminator)
{
    char exact[15];
    EXPECT_EQ(names->GetInstrumentName(exact, 15), E_POINTER) << "no room for the terminator";
    char room[16];
    ASSERT_EQ(names->GetInstrumentName(room, 16), S_OK);
    EXPECT_STREQ(room, "QN3_HalvorinDXi");
    EXPECT_EQ(names->GetInstrumentName(nullptr, 64), E_POINTER);
}

TEST_F(NamesTest, OneBankInTaskMemory)
{
    int32_t *banks = nullptr;
    int32_t count = 0;
    ASSERT_EQ(names->GetBanks(&banks, &count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(banks[0], 0);
    CoTaskMemFree(banks);
    EXPECT_EQ(names->GetBanks(nullptr, &count), E_POINTER);
    EXPECT_EQ(names->GetBanks(&banks, nullptr), E_POINTER);
}

TEST_F(NamesTest, BanksAndPatchesHaveTheirRanges)
{
    const struct {
        LONG bank, patch;
        HRESULT first, second;
    } cases[] = {
        {-1, -1, S_FALSE, S_OK},
        {0, 0, S_FALSE, S_OK},
        {16383, 127, S_FALSE, S_OK},
        {16384, 0, E_INVALIDARG, E_INVALIDARG},
        {-2, 0, E_INVALIDARG, E_INVALIDARG},
        {0, 128, E_INVALIDARG, E_INVALIDARG},
        {0, -2, E_INVALIDARG, E_INVALIDARG},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(names->QueryPatch(c.bank, c.patch), c.first) << c.bank << "/" << c.patch;
        EXPECT_EQ(names->QueryPatch2(c.bank, c.patch), c.second) << c.bank << "/" << c.patch;
    }
    INameList *list = nullptr;
    EXPECT_EQ(names->GetPatchNames(16384, &list), E_INVALIDARG);
    EXPECT_EQ(names->GetNoteNames(-2, 0, &list), E_INVALIDARG);
    EXPECT_EQ(names->GetPatchNames(0, nullptr), E_POINTER);
    EXPECT_EQ(names->GetNoteNames(0, 0, nullptr), E_POINTER);
    EXPECT_EQ(names->GetControllerNames(nullptr), E_POINTER);
    EXPECT_EQ(names->GetRpnNames(nullptr), E_POINTER);
    EXPECT_EQ(names->GetNrpnNames(nullptr), E_POINTER);
    ASSERT_EQ(names->GetPatchNames(-1, &list), S_OK) << "bank -1 is a bank";
    list->Release();
}

TEST_F(NamesTest, EachKindOfNumberHasItsList)
{
    INameList *list = nullptr;
    ASSERT_EQ(names->GetPatchNames(3, &list), S_OK);
    EXPECT_EQ(listName(list), "QN3_HalvorinDXi Patches");
    EXPECT_EQ(numbers(list), 128);
    list->Release();
    ASSERT_EQ(names->GetNoteNames(1, 2, &list), S_FALSE) << "note names answer S_FALSE";
    EXPECT_EQ(listName(list), "QN3_HalvorinDXi Notes");
    EXPECT_EQ(numbers(list), 128);
    list->Release();
    ASSERT_EQ(names->GetControllerNames(&list), S_OK);
    EXPECT_EQ(listName(list), "QN3_HalvorinDXi Controllers");
    EXPECT_EQ(numbers(list), 128);
    list->Release();
    ASSERT_EQ(names->GetRpnNames(&list), S_OK);
    EXPECT_EQ(listName(list), "QN3_HalvorinDXi RPNs");
    EXPECT_EQ(numbers(list), 16383);
    list->Release();
    ASSERT_EQ(names->GetNrpnNames(&list), S_OK);
    EXPECT_EQ(listName(list), "QN3_HalvorinDXi NRPNs");
    EXPECT_EQ(numbers(list), 16383);
    list->Release();
}

TEST_F(NamesTest, ListsAreMadeOnceAndKeptByTheirKeys)
{
    INameList *first = nullptr, *second = nullptr;
    ASSERT_EQ(names->GetPatchNames(3, &first), S_OK);
    ASSERT_EQ(names->GetPatchNames(3, &second), S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->Release(), 2u) << "the instrument's reference and the first one";
    INameList *other = nullptr;
    ASSERT_EQ(names->GetPatchNames(4, &other), S_OK);
    EXPECT_NE(other, first);
    other->Release();
    first->Release();

    EXPECT_EQ(CBridgeInstrumentNames::NoteKey(1, 2), 0x00010002);
    EXPECT_EQ(CBridgeInstrumentNames::NoteKey(-1, -1), static_cast<LONG>(0xFFFFFFFF));
    INameList *notes = nullptr, *same = nullptr;
    ASSERT_EQ(names->GetNoteNames(1, 2, &notes), S_FALSE);
    ASSERT_EQ(names->GetNoteNames(1, 0x10002, &same), S_FALSE) << "the patch's low 16 bits make the key";
    EXPECT_EQ(notes, same);
    notes->Release();
    same->Release();
}

TEST_F(NamesTest, AnEmptyListAnswersEveryNumberWithTheEmptyName)
{
    INameList *list = nullptr;
    ASSERT_EQ(names->GetPatchNames(0, &list), S_OK);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(list->GetNameOfNumber(5, buffer, sizeof buffer), S_OK);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(list->GetNameOfNumber(128, buffer, sizeof buffer), E_INVALIDARG);
    EXPECT_EQ(list->GetNameOfNumber(-1, buffer, sizeof buffer), E_INVALIDARG);
    EXPECT_EQ(list->GetNameOfNumber(5, nullptr, 16), E_POINTER);

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(list->FindName(5, buffer, sizeof buffer), S_FALSE);
    EXPECT_EQ(buffer[0], 'x') << "untouched";

    LONG entries = -1;
    EXPECT_EQ(list->GetEntryCount(&entries), S_OK);
    EXPECT_EQ(entries, 0);
    DXI_NAME_POSITION position = reinterpret_cast<DXI_NAME_POSITION>(uintptr_t{7});
    ASSERT_EQ(list->GetFirstPosition(&position), S_OK);
    LONG number = -1;
    EXPECT_EQ(list->GetNextName(&position, &number, buffer, sizeof buffer), S_FALSE);
    EXPECT_EQ(list->GetNextName(nullptr, &number, buffer, sizeof buffer), E_POINTER);
    EXPECT_EQ(list->GetNextName(&position, nullptr, nullptr, 0), E_POINTER);

    char shortName[5];
    EXPECT_EQ(list->GetListName(shortName, sizeof shortName), S_OK);
    EXPECT_STREQ(shortName, "QN3_") << "cut, the last position the terminator";
    EXPECT_EQ(list->GetListName(nullptr, 5), E_POINTER);
    EXPECT_EQ(list->GetNumberCount(nullptr), E_POINTER);
    list->Release();
}

TEST_F(NamesTest, ListsAnswerBothListIdsAndNothingElse)
{
    INameList *list = nullptr;
    ASSERT_EQ(names->GetControllerNames(&list), S_OK);
    void *out = nullptr;
    for (const IID *iid : {&IID_INameList, &IID_INameListOld, &IID_IUnknown}) {
        ASSERT_EQ(list->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(out, list);
        list->Release();
    }
    EXPECT_EQ(list->QueryInterface(IID_IInstrumentNames, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(names->QueryInterface(IID_IInstrumentNames, &out), S_OK);
    names->Release();
    EXPECT_EQ(names->QueryInterface(IID_INameList, &out), E_NOINTERFACE);
    list->Release();
}

} // namespace
