#include "plugin/framework/drums/note_names_provider.h"

#include "base/simple_stream.h"
#include "plugin/framework/drums/file_names.h"

#include <cstring>

namespace Quorvane {

namespace {

constexpr LONG kHostTextSize = 256;
constexpr const char *kTextExtension = ".txt";
// Host sets of this name list note numbers on purpose.
constexpr const char *kNumberSetName = "0..127";

// A name list of the host's sets, released when done.
class HostList {
public:
    HostList(IMfxNameSet *names, int index)
    {
        if (!names || FAILED(names->GetNameList(index, &list_)))
            list_ = nullptr;
    }
    HostList(const HostList &) = delete;
    HostList &operator=(const HostList &) = delete;
    ~HostList()
    {
        if (list_)
            list_->Release();
    }
    IMfxNameList *operator->() const { return list_; }
    explicit operator bool() const { return list_ != nullptr; }

private:
    IMfxNameList *list_ = nullptr;
};

// Texts from the host come in fixed buffers that we terminate ourselves.
bool hostTitle(const HostList &list, std::string &title)
{
    char buffer[kHostTextSize] = {};
    if (FAILED(list->GetTitle(buffer, kHostTextSize)))
        return false;
    buffer[kHostTextSize - 1] = '\0';
    title = buffer;
    return true;
}

int hostSetCount(IMfxNameSet *names)
{
    LONG count = 0;
    if (!names || FAILED(names->GetCount(&count)) || count < 0)
        return 0;
    return count;
}

bool hostSetName(IMfxNameSet *names, int index, std::string &name)
{
    if (index < 0 || index >= hostSetCount(names))
        return false;
    HostList list(names, index);
    return list && hostTitle(list, name);
}

template <typename Interface> void hold(Interface *&member, Interface *value)
{
    if (value)
        value->AddRef();
    if (member)
        member->Release();
    member = value;
}

} // namespace

NoteNamesProvider::NoteNamesProvider() = default;

NoteNamesProvider::~NoteNamesProvider()
{
    releaseHostInterfaces();
}

void NoteNamesProvider::setHostNoteNames(IMfxNameSet *names)
{
    hold(hostNames_, names);
}

void NoteNamesProvider::setHostDrumModule(IMfxDrumModule *module)
{
    hold(drumModule_, module);
}

void NoteNamesProvider::releaseHostInterfaces()
{
    hold<IMfxNameSet>(hostNames_, nullptr);
    hold<IMfxDrumModule>(drumModule_, nullptr);
}

int NoteNamesProvider::getSetCount() const
{
    int count = hostSetCount(hostNames_) + static_cast<int>(textSets_.size());
    if (drumModule_)
        count += 2;
    return count > 0 ? count : 1;
}

bool NoteNamesProvider::getSetName(int i, std::string &name) const
{
    if (i < 0)
        return false;
    if (drumModule_) {
        if (i < 2) {
            name = i == 0 ? kDrumModuleSetName : kDrumModuleDefaultSetName;
            return true;
        }
        i -= 2;
    }
    if (i < static_cast<int>(textSets_.size())) {
        name = textSets_[i].getName();
        return true;
    }
    i -= static_cast<int>(textSets_.size());
    if (hostNames_)
        return hostSetName(hostNames_, i, name);
    name = kGeneralMidiSetName;
    return true;
}

bool NoteNamesProvider::findSet(const std::string &name, NoteNames *out) const
{
    if (drumModule_ && (name == kDrumModuleSetName || name == kDrumModuleDefaultSetName)) {
        if (out) {
            if (name == kDrumModuleSetName)
                fillDrumModuleSet(*out);
            else
                fillDrumModuleDefault(*out);
        }
        return true;
    }
    for (const NoteNames &set : textSets_) {
        if (set.getName() == name) {
            if (out)
                out->assign(set);
            return true;
        }
    }
    if (hostNames_) {
        const int count = hostSetCount(hostNames_);
        for (int i = 0; i < count; ++i) {
            std::string hostName;
            if (hostSetName(hostNames_, i, hostName) && hostName == name) {
                if (out)
                    importHostSet(hostNames_, i, *out);
                return true;
            }
        }
        if (out)
            fillGeneralMidiSet(*out);
        return false;
    }
    if (name.empty() || name == kGeneralMidiSetName) {
        if (out)
            fillGeneralMidiSet(*out);
        return true;
    }
    return false;
}

void NoteNamesProvider::loadTextSets(const std::string &folder)
{
    const std::string prefix = folderPrefix(folder);
    for (const std::string &fileName : filesWithExtension(folder, kTextExtension)) {
        const std::string name = stripExtension(fileName, kTextExtension);
        if (name != kGeneralMidiSetName && findSet(name, nullptr))
            continue;
        NoteNames set;
        set.setName(name);
        File file((prefix + fileName).c_str(), GENERIC_READ, OPEN_EXISTING);
        FileStream stream(&file);
        set.parseTextFile(stream);
        textSets_.push_back(set);
    }
}

bool NoteNamesProvider::importHostSet(IMfxNameSet *names, int index, NoteNames &set)
{
    set.reset();
    HostList list(names, index);
    if (!list)
        return false;
    LONG count = 0;
    std::string title;
    if (FAILED(list->GetCount(&count)) || !hostTitle(list, title))
        return false;
    set.setName(title);
    const bool numbersWanted = title == kNumberSetName;
    if (count > NoteNames::kNoteCount)
        count = NoteNames::kNoteCount;
    for (LONG note = 0; note < count; ++note) {
        char buffer[kHostTextSize] = {};
        if (FAILED(list->GetName(note, buffer, kHostTextSize)))
            continue;
        buffer[kHostTextSize - 1] = '\0';
        const std::string noteName = buffer;
        // Hosts fill unnamed notes with their numbers; those are no names.
        if (noteName == std::to_string(note) && !numbersWanted)
            continue;
        set.setNoteName(note, noteName);
    }
    return true;
}

void NoteNamesProvider::fillGeneralMidiSet(NoteNames &set)
{
    set.reset();
    set.setName(kGeneralMidiSetName);
    for (int note = 35; note <= 81; ++note)
        set.setNoteName(note, NoteNames::drumNoteName(note));
}

bool NoteNamesProvider::readShortNames(char *block) const
{
    std::memset(block, 0, kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize);
    return drumModule_ && SUCCEEDED(drumModule_->GetShortNames(block));
}

namespace {

std::string shortName(const char *block, int i)
{
    const char *name = block + i * kMfxDrumModuleShortNameSize;
    return std::string(name, strnlen(name, kMfxDrumModuleShortNameSize));
}

} // namespace

bool NoteNamesProvider::fillDrumModuleSet(NoteNames &set) const
{
    if (!drumModule_)
        return false;
    set.reset();
    set.drum_ = 1;
    set.setName(kDrumModuleSetName);
    char block[kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize];
    if (!readShortNames(block))
        return false;
    for (int i = 0; i < kMfxDrumModuleNoteCount; ++i) {
        const int note = kMfxDrumModuleFirstNote + i;
        char longName[kHostTextSize] = {};
        const bool hasLong = drumModule_->GetLongName(note, longName, kHostTextSize) == S_OK;
        longName[kHostTextSize - 1] = '\0';
        if (hasLong && longName[0] != '\0')
            set.setNoteName(note, shortName(block, i) + ": " + longName);
        else
            set.setNoteText(note, shortName(block, i));
    }
    return true;
}

bool NoteNamesProvider::fillDrumModuleDefault(NoteNames &set) const
{
    if (!drumModule_)
        return false;
    set.reset();
    set.setName(kDrumModuleDefaultSetName);
    char block[kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize];
    if (!readShortNames(block))
        return false;
    for (int i = 0; i < kMfxDrumModuleNoteCount; ++i)
        set.setNoteName(kMfxDrumModuleFirstNote + i, shortName(block, i));
    return true;
}

} // namespace Quorvane
