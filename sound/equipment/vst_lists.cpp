#include "sound/equipment/vst_lists.h"

#include <cstring>

namespace Quorvane {

const char *VstVerdictText(uint32_t verdict)
{
    static const char *const texts[] = {" = UNKNOWN\n", " = VSTi\n", " = VST\n", " = NOT VST(i)\n",
                                        " = CRUSHED\n"};
    return verdict < sizeof texts / sizeof texts[0] ? texts[verdict] : texts[VST_UNKNOWN];
}

namespace {

// A list of other elements is no list of ours.
bool IsStringList(const CStructArray *list)
{
    return list && list->elemSize == static_cast<long>(sizeof(SIMPLE_STRING));
}

} // namespace

VstScanCache::VstScanCache(CStructArray *entries)
    : own_(sizeof(SIMPLE_STRING), 32), entries_(IsStringList(entries) ? entries : &own_)
{
}

long VstScanCache::Find(const std::string &path) const
{
    for (long i = 0; i < entries_->GetNumb(); ++i) {
        const char *text = At(i)->GetText();
        if (text && _stricmp(text, path.c_str()) == 0)
            return i;
    }
    return -1;
}

long VstScanCache::Add(const std::string &path)
{
    SIMPLE_STRING entry;
    if (!entry.SetText(path.c_str()))
        return -1;
    entry.SetParam1(static_cast<long>(kVstNewEntry));
    entry.SetParam2(static_cast<long>(kVstNoRecord));
    if (!entries_->Insert(entries_->GetNumb(), 1, &entry)) {
        entry.Clear();
        return -1;
    }
    return entries_->GetNumb() - 1;
}

uint32_t VstScanCache::Value(long index) const
{
    return static_cast<uint32_t>(At(index)->GetParam1());
}

void VstScanCache::Record(long index, uint32_t verdict)
{
    if (Value(index) == kVstDropEntry || Verdict(index) != verdict)
        At(index)->SetParam1(static_cast<long>(verdict | kVstChangedBit));
}

bool IsKnownPlugin(const CStructArray *known, const std::string &fileName)
{
    if (!IsStringList(known))
        return false;
    for (long i = 0; i < known->GetNumb(); ++i) {
        const char *name = static_cast<const SIMPLE_STRING *>(known->GetElementAt(i))->GetText();
        if (name && _stricmp(name, fileName.c_str()) == 0)
            return true;
    }
    return false;
}

} // namespace Quorvane
