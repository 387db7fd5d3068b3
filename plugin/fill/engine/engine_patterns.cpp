// Loading patterns from the library, the source track, drum maps and
// note-name sets.
#include "plugin/fill/engine/grindelvosket.h"

#include "plugin/fill/engine/fill_module.h"

#include <windows.h>

#include <algorithm>

namespace Quorvane {

bool Grindelvosket::loadPattern(const std::string &folder, const std::string &file)
{
    EngineLockGuard guard(lock_);
    if (folder == patternFolder_ && file == patternFile_)
        return false;
    patternFolder_ = folder;
    patternFile_ = file;
    trackLoaded_ = false;
    sourceModified_ = false;
    embedded_ = false;
    // A pattern the user chooses is read from the library again.
    freshPatternRead_ = true;
    LoadAndRearrange(false);
    freshPatternRead_ = false;
    if (!keepPunch_)
        setAutomaticPunchRange();
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
        panel_->showPatternSelection(patternFolder_, patternFile_);
}

namespace {

// The part of path between the Fills folder (as given, or its long name)
// and the file name; empty for a path outside the folder.
std::string folderWithinFills(const std::string &path, size_t nameStart)
{
    std::string fills = FillModule::dataFolders().fills;
    if (!fills.empty() && fills.back() != '\\')
        fills += '\\';
    char longName[MAX_PATH];
    const DWORD longLength = GetLongPathNameA(fills.c_str(), longName, MAX_PATH);
    for (const std::string &root :
         {fills, std::string(longName, longLength > 0 && longLength < MAX_PATH ? longLength : 0)}) {
        if (root.empty() || root.size() > nameStart)
            continue;
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(root.size()),
                           root.c_str(), static_cast<int>(root.size())) == CSTR_EQUAL)
            return path.substr(root.size(), nameStart - root.size());
    }
    return std::string();
}

} // namespace

bool Grindelvosket::savePatternAs(const std::string &path)
{
    EngineLockGuard guard(lock_);
    rebuildSourceIfEdited();
    if (source_.saveSmfFile(path) != 0)
        return false;
    const size_t slash = path.rfind('\\');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    embedded_ = false;
    patternFile_ = path.substr(nameStart);
    patternFolder_ = folderWithinFills(path, nameStart);
    if (panel_)
        panel_->showPatternSelection(patternFolder_, patternFile_);
    return true;
}

bool Grindelvosket::selectPatternIfDifferent(const std::string &folder, const std::string &file)
{
    if (lstrcmpiA(folder.c_str(), patternFolder_.c_str()) == 0 &&
        lstrcmpiA(file.c_str(), patternFile_.c_str()) == 0)
        return true;
    if (embedded_)
        return false;
    selectPattern(folder, file);
    return true;
}

void Grindelvosket::onPatternTreeEvent(int kind, const std::string &folder, const std::string &file)
{
    if (kind == 6 || kind == 7) {
        embedded_ = false;
        selectPattern(folder, file);
    } else {
        setPattern(patternFolder_, patternFile_, false);
    }
}

bool Grindelvosket::ensureSource()
{
    EngineLockGuard guard(lock_);
    if (trackLoaded_) {
        rebuildSourceIfEdited();
        return true;
    }
    source_.clear();
    if (!readPatternFile(patternFolder_, patternFile_, source_, freshPatternRead_)) {
        source_.clear();
        return false;
    }
    trackLoaded_ = true;
    return true;
}

bool Grindelvosket::readPatternFile(const std::string &folder, const std::string &file, CMidiTrack &track,
                                    bool fresh)
{
    for (auto it = patternCache_.begin(); it != patternCache_.end(); ++it) {
        if (it->folder != folder || it->file != file)
            continue;
        if (fresh) {
            patternCache_.erase(it);
            break;
        }
        track = it->track;
        return true;
    }
    if (!FillModule::readPattern(folder, file, track))
        return false;
    if (patternCache_.size() >= kPatternCacheSize)
        patternCache_.erase(patternCache_.begin());
    patternCache_.push_back(CachedPattern{folder, file, track});
    return true;
}

void Grindelvosket::rebuildSourceIfEdited(bool redistribute)
{
    if (!sourceModified_)
        return;
    source_.clear();
    for (Looper *looper : loopers_)
        looper->writeInto(source_);
    source_.refreshStatistics();
    sourceModified_ = false;
    for (int n = 0; n < 128; ++n)
        remap_[n] = static_cast<uint8_t>(n);
    if (redistribute)
        LoadAndRearrange(false);
}

void Grindelvosket::markSourceEdited()
{
    trackLoaded_ = true;
    sourceModified_ = true;
    embedded_ = true;
}

std::string Grindelvosket::patternDisplayName() const
{
    std::string name = patternFile_;
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
