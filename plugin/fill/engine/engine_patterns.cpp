// Loading patterns from the library, the source track, drum maps and
// note-name sets.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/library/pattern_path.h"

#include <windows.h>

#include <algorithm>

namespace Quorvane {

bool Grindelvosket::loadPattern(const std::string &folderName, const std::string &file)
{
    const std::string folder = canonicalPatternFolder(folderName);
    {
        EngineLockGuard guard(lock_);
        if (folder == fill_.patternFolder && file == fill_.patternFile)
            return false;
    }
    // A pattern the user chooses is read from the library again, and the
    // fill arranged, before the lock: a pad switch meanwhile need not wait
    // for the disk; the host hears of the punch range after it.
    CMidiTrack read;
    const bool found = FillModule::readPattern(folder, file, read);
    const bool automaticPunch = !keepPunch_;
    remakeLive(
        [&](Fill &next) {
            FillSettings &settings = next.settings;
            settings.patternFolder = folder;
            settings.patternFile = file;
            settings.source = read;
            settings.trackLoaded = found;
            settings.sourceModified = false;
            settings.embedded = false;
            // The old pattern goes whether the new one was found or not.
            for (LooperPart &part : next.parts)
                part.clearPattern();
        },
        [&](Fill &arranged) {
            if (automaticPunch)
                setAutomaticPunchRange(arranged.settings, partsOf(arranged));
        });
    if (automaticPunch)
        tellPunchRange();
    tellViews();
    return true;
}

bool Grindelvosket::selectPattern(const std::string &folder, const std::string &file)
{
    const bool changed = loadPattern(folder, file);
    if (changed)
        somethingChanged("Looper pattern changed by selection");
    tellViews();
    return changed;
}

void Grindelvosket::setPattern(const std::string &folder, const std::string &file, bool notify)
{
    loadPattern(folder, file);
    if (notify)
        somethingChanged("Grindelvosket::setPattern");
    if (panel_ && onWindowThread())
        panel_->showPatternSelection(patternFolder(), patternFile());
}

namespace {

// The part of path between the Fills folder (as given, or its long name)
// and the file name; empty, and inLibrary false, for a path outside it.
std::string folderWithinFills(const std::string &path, size_t nameStart, bool &inLibrary)
{
    inLibrary = false;
    std::string fills = FillModule::dataFolders().library;
    if (!fills.empty() && fills.back() != '\\')
        fills += '\\';
    char longName[MAX_PATH];
    const DWORD longLength = GetLongPathNameA(fills.c_str(), longName, MAX_PATH);
    for (const std::string &root :
         {fills, std::string(longName, longLength > 0 && longLength < MAX_PATH ? longLength : 0)}) {
        if (root.empty() || root.size() > nameStart)
            continue;
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(root.size()),
                           root.c_str(), static_cast<int>(root.size())) == CSTR_EQUAL) {
            inLibrary = true;
            return path.substr(root.size(), nameStart - root.size());
        }
    }
    return std::string();
}

} // namespace

bool Grindelvosket::savePatternAs(const std::string &path)
{
    {
        EngineLockGuard guard(lock_);
        rebuildSourceIfEdited();
        if (fill_.source.saveSmfFile(path) != 0)
            return false;
        const size_t slash = path.rfind('\\');
        const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
        fill_.patternFile = path.substr(nameStart);
        bool inLibrary = false;
        fill_.patternFolder = canonicalPatternFolder(folderWithinFills(path, nameStart, inLibrary));
        // Inside the library the fill plays from its file from now on;
        // outside it, nothing would find the file again: it stays in the
        // state.
        fill_.embedded = !inLibrary && fill_.trackLoaded;
    }
    if (panel_)
        panel_->showPatternSelection(patternFolder(), patternFile());
    tellViews();
    return true;
}

bool Grindelvosket::selectPatternIfDifferent(const std::string &folder, const std::string &file)
{
    {
        EngineLockGuard guard(lock_);
        if (lstrcmpiA(canonicalPatternFolder(folder).c_str(), fill_.patternFolder.c_str()) == 0 &&
            lstrcmpiA(file.c_str(), fill_.patternFile.c_str()) == 0)
            return true;
        if (fill_.embedded)
            return false;
    }
    selectPattern(folder, file);
    return true;
}

void Grindelvosket::onPatternTreeEvent(int kind, const std::string &folder, const std::string &file)
{
    if (kind == 6 || kind == 7) {
        {
            EngineLockGuard guard(lock_);
            fill_.embedded = false;
        }
        selectPattern(folder, file);
    } else {
        setPattern(patternFolder(), patternFile(), false);
    }
}

bool Grindelvosket::ensureSource()
{
    // A pattern not loaded yet is read without the lock, so that a switch
    // meanwhile need not wait for the disk; a switch that brought another
    // fill without its pattern makes it read again.
    for (;;) {
        std::string folder, file;
        {
            EngineLockGuard guard(lock_);
            if (fill_.trackLoaded)
                return ensureSource(fill_, liveParts());
            folder = fill_.patternFolder;
            file = fill_.patternFile;
        }
        CMidiTrack read;
        if (!FillModule::readPattern(folder, file, read))
            return false;
        EngineLockGuard guard(lock_);
        if (!fill_.trackLoaded && fill_.patternFolder == folder && fill_.patternFile == file) {
            fill_.source = std::move(read);
            fill_.trackLoaded = true;
            return true;
        }
    }
}

void Grindelvosket::rebuildSourceIfEdited(bool redistribute)
{
    EngineLockGuard guard(lock_);
    if (!fill_.sourceModified)
        return;
    rebuildSource(fill_, liveParts());
    if (redistribute)
        LoadAndRearrange(false);
}

void Grindelvosket::markSourceEdited()
{
    EngineLockGuard guard(lock_);
    fill_.trackLoaded = true;
    fill_.sourceModified = true;
    fill_.embedded = true;
}

bool Grindelvosket::hasUnsavedEdits() const
{
    EngineLockGuard guard(lock_);
    return fill_.sourceModified || fill_.embedded;
}

std::string Grindelvosket::patternFolder() const
{
    EngineLockGuard guard(lock_);
    return fill_.patternFolder;
}

std::string Grindelvosket::patternFile() const
{
    EngineLockGuard guard(lock_);
    return fill_.patternFile;
}

std::string Grindelvosket::patternDisplayName() const
{
    std::string name = patternFile();
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool Grindelvosket::selectDrumMapByName(const std::string &name)
{
    if (!DrumMap::load(DrumMapFolder(FillModule::dataFolders().drumMaps), name, drumMap_))
        return false;
    drumMapChanged();
    return true;
}

void Grindelvosket::drumMapChanged()
{
    somethingChanged("Grindelvosket::drumMapChanged");
    refreshInstruments();
    tellViews();
}

void Grindelvosket::selectNoteNameSet(const std::string &name)
{
    noteNamesProvider_.findSet(name, &noteNames_);
    noteNamesDirty_ = false;
    tellViews();
}

} // namespace Quorvane
