#include "sound/ssynth_enum.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

using Item = IZQSSExEnum::tagENUMITEM;

// Copies a module's list (and gives it back), sorted by value.
std::vector<SSENUMITEM> takeList(IZQSSExEnum *names, Item *list, long count)
{
    std::vector<SSENUMITEM> items;
    if (list && count > 0) {
        items.reserve(static_cast<size_t>(count));
        for (long i = 0; i < count; ++i)
            items.push_back({list[i].value, list[i].name ? list[i].name : ""});
    }
    if (list)
        names->GiveBack(list);
    std::stable_sort(items.begin(), items.end(),
                     [](const SSENUMITEM &a, const SSENUMITEM &b) { return a.value < b.value; });
    return items;
}

bool sameItems(const std::vector<SSENUMITEM> &a, const std::vector<SSENUMITEM> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SSENUMITEM &x, const SSENUMITEM &y) {
        return x.value == y.value && x.name == y.name;
    });
}

const SSENUMITEM *findItem(const std::vector<SSENUMITEM> &items, long value)
{
    auto it = std::lower_bound(items.begin(), items.end(), value,
                               [](const SSENUMITEM &item, long v) { return item.value < v; });
    return (it != items.end() && it->value == value) ? &*it : nullptr;
}

int writeName(char *out, const std::string &name)
{
    if (name.empty())
        return 0;
    CopySoundName(out, name.c_str());
    return 1;
}

int writeNumber(char *out, const char *format, long number)
{
    if (out)
        std::snprintf(out, kSoundNameSize, format, static_cast<int>(number));
    return 1;
}

} // namespace

void CopySoundName(char *out, const char *text)
{
    if (!out)
        return;
    const size_t length = text ? strnlen(text, kSoundNameSize - 1) : 0;
    if (length)
        std::memcpy(out, text, length);
    out[length] = '\0';
}

void CSSynthEnum::Clear()
{
    controllers = SSENUMBLOCK();
    banks.clear();
    banksEnumerated = 0;
    notesEnumerated = 0;
}

void CSSynthEnum::Init(IZQSSExEnum *names)
{
    Clear();
    if (!names)
        return;
    Item *list = nullptr;
    long count = names->Controllers(&list);
    controllers.items = takeList(names, list, count);

    list = nullptr;
    count = names->Banks(&list);
    for (const SSENUMITEM &item : takeList(names, list, count)) {
        SSENUMBANK bank;
        bank.number = item.value;
        bank.name = item.name;
        bank.named = !item.name.empty();
        banks.push_back(std::move(bank));
    }
    if (banks.empty()) {
        SSENUMBANK bank;
        bank.number = 0;
        bank.name = "Default";
        bank.named = true;
        banks.push_back(std::move(bank));
    } else {
        banksEnumerated = 1;
    }

    for (SSENUMBANK &bank : banks) {
        list = nullptr;
        count = names->Programs(bank.number, &list);
        bank.programs.items = takeList(names, list, count);
        if (bank.programs.items.empty()) {
            addNoteBlocks(names, bank, 0);
            continue;
        }
        for (const SSENUMITEM &program : bank.programs.items)
            addNoteBlocks(names, bank, program.value);
    }
}

// Channels 0..15 in turn: a list unlike the previous one starts a block for
// its channel; the first one equal to the previous makes that block valid
// for every channel and ends the scan.
void CSSynthEnum::addNoteBlocks(IZQSSExEnum *names, SSENUMBANK &bank, int program)
{
    SSENUMBLOCK *previous = nullptr;
    for (int channel = 0; channel < 16; ++channel) {
        Item *list = nullptr;
        const long count = names->Notes(bank.number, program, channel, &list);
        std::vector<SSENUMITEM> items = takeList(names, list, count);
        if (items.empty())
            continue;
        if (previous && sameItems(previous->items, items)) {
            previous->channel = -1;
            return;
        }
        bank.notes.push_back({program, channel, std::move(items)});
        previous = &bank.notes.back();
        notesEnumerated = 1;
    }
}

const SSENUMBANK *CSSynthEnum::findBank(long number) const
{
    auto it = std::lower_bound(banks.begin(), banks.end(), number,
                               [](const SSENUMBANK &bank, long n) { return bank.number < n; });
    return (it != banks.end() && it->number == number) ? &*it : nullptr;
}

const SSENUMBLOCK *CSSynthEnum::findNoteBlock(long channel, long bankNumber, long program) const
{
    if (!notesEnumerated)
        return nullptr;
    const SSENUMBANK *bank = findBank(bankNumber);
    if (!bank && bankNumber != 0)
        bank = findBank(0);
    if (!bank || bank->notes.empty())
        return nullptr;
    auto ofProgram = [&](long p) {
        return std::lower_bound(bank->notes.begin(), bank->notes.end(), p,
                                [](const SSENUMBLOCK &block, long n) { return block.program < n; });
    };
    auto it = ofProgram(program);
    if (it == bank->notes.end() || it->program != program) {
        // Unknown programs share program 0's names when it has any.
        if (program == 0 || bank->notes.front().program != 0)
            return nullptr;
        it = bank->notes.begin();
    }
    for (const int shared = it->program; it != bank->notes.end() && it->program == shared; ++it)
        if (it->channel == -1 || it->channel == channel)
            return &*it;
    return nullptr;
}

int CSSynthEnum::IsNotesEnumed(long channel, long bank, long program) const
{
    return findNoteBlock(channel, bank, program) != nullptr;
}

int CSSynthEnum::GetBankAt(long index, char *name, long &number) const
{
    if (index < 0 || index >= static_cast<long>(banks.size()))
        return 0;
    const SSENUMBANK &bank = banks[static_cast<size_t>(index)];
    number = bank.number;
    if (bank.named)
        return writeName(name, bank.name);
    return writeNumber(name, "Bank %i", bank.number);
}

int CSSynthEnum::StringBank(char *name, long number) const
{
    const SSENUMBANK *bank = findBank(number);
    if (bank && bank->named)
        return writeName(name, bank->name);
    return writeNumber(name, "Bank %i", number);
}

int CSSynthEnum::StringProg(char *name, long bankNumber, long program) const
{
    const SSENUMBANK *bank = findBank(bankNumber);
    const SSENUMITEM *item = bank ? findItem(bank->programs.items, program) : nullptr;
    return item ? writeName(name, item->name) : 0;
}

int CSSynthEnum::StringCtrl(char *name, long controller) const
{
    const SSENUMITEM *item = findItem(controllers.items, controller);
    return item ? writeName(name, item->name) : 0;
}

int CSSynthEnum::StringNote(char *name, long channel, long bank, long program, long note) const
{
    const SSENUMBLOCK *block = findNoteBlock(channel, bank, program);
    if (!block)
        return 0;
    const SSENUMITEM *item = findItem(block->items, note);
    if (item && !item->name.empty())
        return writeName(name, item->name);
    return writeNumber(name, "%i", note);
}

} // namespace Quorvane
