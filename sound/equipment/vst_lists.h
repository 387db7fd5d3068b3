// The two lists the caller of the VST scan keeps between scans, both arrays
// of SIMPLE_STRING (element size sizeof(SIMPLE_STRING)):
// - known plug-ins: text = the name the caller lists the plug-in under (its
//   file name), param2 = the caller's record id. Files of a known name
//   start checked, so closing the dialog with OK keeps them.
// - scan cache: text = the plug-in file's full path, param1 = its value,
//   param2 = the caller's record id (kVstNoRecord for an entry the scan
//   added). The value is a verdict; bit 31 set means the scan changed it
//   (kVstNewEntry for a file found for the first time), and kVstDropEntry
//   marks a file no VST folder holds any more.
#pragma once

#include "data/simple_string.h"
#include "data/struct_array.h"

#include <cstdint>
#include <string>

namespace Quorvane {

enum VstVerdict : uint32_t {
    VST_UNKNOWN = 0,
    VST_INSTRUMENT = 1,
    VST_EFFECT = 2,
    VST_NOT_PLUGIN = 3,
    VST_CRUSHED = 4,
};

constexpr uint32_t kVstChangedBit = 0x80000000u;
constexpr uint32_t kVstNewEntry = kVstChangedBit | VST_UNKNOWN;
constexpr uint32_t kVstDropEntry = 0xFFFFFFFFu;
constexpr uint32_t kVstNoRecord = 0xFFFFFFFFu;

// The log text written after a file's path: " = VSTi\n" and so on.
const char *VstVerdictText(uint32_t verdict);

// The scan cache over the caller's array; without one, over an array of
// its own that goes with it.
class VstScanCache {
public:
    explicit VstScanCache(CStructArray *entries);
    VstScanCache(const VstScanCache &) = delete;
    VstScanCache &operator=(const VstScanCache &) = delete;

    // The entry of the path (compared without case), -1 when none.
    long Find(const std::string &path) const;
    // A new entry, or -1 when memory runs out.
    long Add(const std::string &path);
    uint32_t Value(long index) const;
    // The verdict without the changed bit.
    uint32_t Verdict(long index) const { return Value(index) & ~kVstChangedBit; }
    // Stores a scan's verdict, with the changed bit when it differs.
    void Record(long index, uint32_t verdict);
    // Marks every entry not in the found set (by index) for dropping.
    template <typename IsFound> void DropUnless(IsFound found)
    {
        for (long i = 0; i < entries_->GetNumb(); ++i)
            if (!found(i))
                At(i)->SetParam1(static_cast<long>(kVstDropEntry));
    }

private:
    SIMPLE_STRING *At(long index) const
    {
        return static_cast<SIMPLE_STRING *>(entries_->GetElementAt(index));
    }

    CStructArray own_;
    CStructArray *entries_;
};

// Whether the known-plug-ins list names the file (compared without case).
bool IsKnownPlugin(const CStructArray *known, const std::string &fileName);

} // namespace Quorvane
