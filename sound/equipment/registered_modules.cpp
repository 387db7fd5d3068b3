// The registry's lists of installed modules: the system's own, DXi and
// DirectMusic synthesizers, and MFX MIDI filters.
#include "data/meff_chain.h"
#include "sound/equipment/class_ids.h"
#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/registry_reader.h"
#include "sound/module_keys.h"

#include <cstring>

namespace Quorvane {

namespace {

// The system's modules carry this prefix; of them only the audio-track
// output is offered, as its own kind.
constexpr char kTembriPrefix[] = "Tembri ";
constexpr char kTembriAudio[] = "Tembri Audio";
// Descriptions of VST plug-ins wrapped for other hosts: the VST kinds list
// those plug-ins themselves.
constexpr char kVstPrefix[] = "VST ";

constexpr long kOutputByModuleName = 3;
constexpr long kOutputTembriAudio = 2;
constexpr long kEffectByModuleName = 0;

bool BeginsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Registry names compare without case.
bool NameBeginsWith(const std::string &name, const char *prefix)
{
    const size_t length = std::strlen(prefix);
    return name.size() >= length && _strnicmp(name.c_str(), prefix, length) == 0;
}

// MFX filters the MIDI-effect list never offers.
const GUID kSkippedMfxFilters[] = {
    {0x8E6DCE55, 0x5F21, 0x5E18, {0xB1, 0x47, 0x79, 0x37, 0xA8, 0x04, 0xA7, 0xCE}},
    {0x07F98763, 0xCFB2, 0x5742, {0xBA, 0x08, 0x9D, 0xE6, 0x65, 0x3F, 0x5F, 0x98}},
    {0x8C4D86EE, 0xFAA8, 0x58DD, {0xAD, 0x81, 0x8C, 0x69, 0x0F, 0xDB, 0x98, 0x0A}},
    {0xDC0E8B80, 0x6C6C, 0x5A6B, {0xA4, 0xED, 0xF0, 0x59, 0x59, 0x17, 0xBD, 0x1C}},
    {0x281FFA78, 0xE515, 0x5D3C, {0x90, 0xDD, 0xBD, 0xC8, 0xFA, 0x37, 0xE6, 0x32}},
    {0x46489765, 0xADEE, 0x5B0B, {0xB4, 0x38, 0x2A, 0x85, 0x0C, 0xFF, 0x41, 0x65}},
    {0xEDF360EE, 0x2E36, 0x5A02, {0x97, 0x3B, 0xDE, 0x60, 0xDA, 0xBE, 0xE2, 0xEA}},
};

bool IsSkippedMfxFilter(const GUID &id)
{
    for (const GUID &skipped : kSkippedMfxFilters)
        if (IsEqualGUID(id, skipped))
            return true;
    return false;
}

// Lists the sub-keys named by class ids, each under the name describe
// (key name, class id) gives it; an empty name leaves it out.
template <typename Describe>
bool ListClassKeys(PortList &list, HKEY root, const char *path, long kind, Describe describe)
{
    OpenedKey classes(root, path);
    if (!classes)
        return true;
    for (const std::string &name : SubKeyNames(classes.get())) {
        GUID id;
        if (!ParseClassId(name, id))
            continue;
        const std::string description = describe(classes.get(), name, id);
        if (!description.empty() && !list.Add(description.c_str(), kind, id))
            return false;
    }
    return true;
}

} // namespace

bool ListOwnModules(PortList &list, OwnModules which)
{
    const char *path = which == OwnModules::SoftSynths     ? kSoftSynthKey
                       : which == OwnModules::AudioEffects ? kAudioEffectKey
                                                           : kMIDIEffectKey;
    OpenedKey key(HKEY_LOCAL_MACHINE, path);
    if (!key)
        return true;
    for (const NamedText &value : NamedTextValues(key.get())) {
        if (!NameBeginsWith(value.name, kTembriPrefix)) {
            const long kind = which == OwnModules::SoftSynths ? kOutputByModuleName : kEffectByModuleName;
            if (!list.Add(value.name.c_str(), kind, value.name.c_str()))
                return false;
        } else if (which == OwnModules::SoftSynths && _stricmp(value.name.c_str(), kTembriAudio) == 0) {
            if (!list.Add(kTembriAudio, kOutputTembriAudio, kTembriAudio))
                return false;
        }
    }
    return true;
}

bool ListDxiSynths(PortList &list)
{
    // The bridge's own instrument names itself here, by its class id.
    OpenedKey bridge(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\HalvorinApp\\HalvorinDXi");
    return ListClassKeys(list, HKEY_CLASSES_ROOT, "MfxSoftSynths", ENUM_OUT_DXI,
                         [&](HKEY synths, const std::string &name, const GUID &) {
                             if (bridge && RegQueryValueExA(bridge.get(), name.c_str(), nullptr, nullptr,
                                                            nullptr, nullptr) == ERROR_SUCCESS)
                                 return std::string();
                             const std::string description = TextValue(synths, name.c_str(), "Description");
                             return BeginsWith(description, kVstPrefix) ? std::string() : description;
                         });
}

bool ListDlsSynths(PortList &list)
{
    return ListClassKeys(list, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectMusic\\SoftwareSynths",
                         ENUM_OUT_DLS, [](HKEY synths, const std::string &name, const GUID &) {
                             return TextValue(synths, name.c_str(), "Description");
                         });
}

bool ListMfxFilters(PortList &list)
{
    return ListClassKeys(list, HKEY_LOCAL_MACHINE, "Software\\MFX Hosts\\MIDI Filters\\", ENUM_MEFFECT_MFX,
                         [](HKEY, const std::string &name, const GUID &id) {
                             if (IsSkippedMfxFilter(id))
                                 return std::string();
                             return TextValue(HKEY_CLASSES_ROOT, ("CLSID\\" + name).c_str(), nullptr);
                         });
}

} // namespace Quorvane
