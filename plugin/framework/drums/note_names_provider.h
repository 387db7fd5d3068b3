// Every note-name set a plug-in can offer: a host drum module's two sets,
// the user's text-file sets, the host's note-name sets and the built-in
// General MIDI drum set.
#pragma once

#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/mfx/mfx_host.h"

#include <string>
#include <vector>

namespace Quorvane {

class NoteNamesProvider {
public:
    static constexpr const char *kGeneralMidiSetName = "General MIDI Drums";
    static constexpr const char *kDrumModuleSetName = "DR-008 Drums";
    static constexpr const char *kDrumModuleDefaultSetName = "DR-008 Default";

    NoteNamesProvider();
    NoteNamesProvider(const NoteNamesProvider &) = delete;
    NoteNamesProvider &operator=(const NoteNamesProvider &) = delete;
    // Releases the host interfaces.
    virtual ~NoteNamesProvider();

    // Keeps the host's note-name sets (AddRef'd; null lets go).
    void setHostNoteNames(IMfxNameSet *names);
    // Keeps the host's drum module (AddRef'd; null lets go).
    void setHostDrumModule(IMfxDrumModule *module);
    void releaseHostInterfaces();

    // Host sets + text-file sets + 2 with a drum module; at least 1.
    int getSetCount() const;
    // Name of set i in the order drum module, text files, host; without
    // host names the General MIDI set comes after the text files.
    bool getSetName(int i, std::string &name) const;
    // Fills out (when given) with the set of that name; true when found.
    // With host names an unknown name gives out the General MIDI set.
    bool findSet(const std::string &name, NoteNames *out) const;

    // Adds a set for every "*.txt" file of the folder, named after the file,
    // unless a set of that name exists already ("General MIDI Drums" may be
    // supplied again).
    void loadTextSets(const std::string &folder);
    const std::vector<NoteNames> &textSets() const { return textSets_; }

    // Set index of the host's sets into set; false when the host fails.
    static bool importHostSet(IMfxNameSet *names, int index, NoteNames &set);
    static void fillGeneralMidiSet(NoteNames &set);
    // The drum module's names with their long names, or its plain short
    // names; false without a drum module.
    bool fillDrumModuleSet(NoteNames &set) const;
    bool fillDrumModuleDefault(NoteNames &set) const;

private:
    bool readShortNames(char *block) const;

    std::vector<NoteNames> textSets_;
    IMfxNameSet *hostNames_ = nullptr;
    IMfxDrumModule *drumModule_ = nullptr;
};

} // namespace Quorvane
