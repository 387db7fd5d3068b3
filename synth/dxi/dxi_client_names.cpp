// The synthesizer's names as the sound engine lists them: arrays made for
// each question, a hidden 8-byte header (the count, then 0) before the
// records, each name its own copy.
#include "synth/dxi/dxi_client.h"

#include "data/strings.h"

#include <cstdio>
#include <cstdlib>

namespace Quorvane {

namespace {

using Item = IZQSSExEnum::tagENUMITEM;

// Longest name taken from a synthesizer, the terminator not counted.
constexpr LONG kNameChars = 128;
constexpr size_t kHeader = 8;

Item *makeList(long count)
{
    auto *block =
        static_cast<unsigned char *>(std::calloc(1, kHeader + sizeof(Item) * static_cast<size_t>(count)));
    if (!block)
        return nullptr;
    *reinterpret_cast<int32_t *>(block) = static_cast<int32_t>(count);
    return reinterpret_cast<Item *>(block + kHeader);
}

// The named entries of a synthesizer's list; 0 when it gave none.
long fromNameList(INameList *names, Item **list)
{
    *list = nullptr;
    if (!names)
        return 0;
    LONG count = 0;
    DXI_NAME_POSITION position = nullptr;
    if (FAILED(names->GetEntryCount(&count)) || count <= 0 || FAILED(names->GetFirstPosition(&position))) {
        names->Release();
        return 0;
    }
    Item *items = makeList(count);
    long made = 0;
    char name[kNameChars + 1];
    LONG number = 0;
    while (items && made < count && names->GetNextName(&position, &number, name, sizeof(name)) == S_OK) {
        name[kNameChars] = '\0';
        items[made].value = number;
        items[made].name = CreateString(name);
        ++made;
    }
    names->Release();
    if (items)
        *reinterpret_cast<int32_t *>(reinterpret_cast<unsigned char *>(items) - kHeader) =
            static_cast<int32_t>(made);
    *list = items;
    return items ? made : 0;
}

} // namespace

long CDXiClient::Banks(Item **list)
{
    *list = nullptr;
    int32_t *banks = nullptr;
    int32_t count = 0;
    if (!open_ || FAILED(NameSource()->GetBanks(&banks, &count)) || !banks || count <= 0) {
        CoTaskMemFree(banks);
        return 0;
    }
    Item *items = makeList(count);
    for (int32_t i = 0; items && i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "Bank %i", static_cast<int>(banks[i]));
        items[i].value = banks[i];
        items[i].name = CreateString(name);
    }
    CoTaskMemFree(banks);
    *list = items;
    return items ? count : 0;
}

long CDXiClient::Programs(long bank, Item **list)
{
    INameList *names = nullptr;
    if (!open_ || FAILED(NameSource()->GetPatchNames(bank, &names)))
        names = nullptr;
    return fromNameList(names, list);
}

long CDXiClient::Notes(long bank, long program, Item **list)
{
    INameList *names = nullptr;
    if (!open_ || FAILED(NameSource()->GetNoteNames(bank, program, &names)))
        names = nullptr;
    return fromNameList(names, list);
}

long CDXiClient::Controllers(Item **list)
{
    INameList *names = nullptr;
    if (!open_ || FAILED(NameSource()->GetControllerNames(&names)))
        names = nullptr;
    return fromNameList(names, list);
}

void CDXiClient::GiveBack(Item *list)
{
    if (!list)
        return;
    auto *block = reinterpret_cast<unsigned char *>(list) - kHeader;
    const int32_t count = *reinterpret_cast<int32_t *>(block);
    for (int32_t i = 0; i < count; ++i)
        std::free(list[i].name);
    std::free(block);
}

} // namespace Quorvane
