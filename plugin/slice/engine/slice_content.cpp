#include "plugin/slice/engine/slice_content.h"

#include "plugin/fill/library/pattern_tree.h"

#include <vector>

namespace Quorvane::LoopSlice {

namespace {

std::vector<std::string> components(const std::string &folder)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at < folder.size()) {
        size_t end = folder.find('\\', at);
        if (end == std::string::npos)
            end = folder.size();
        parts.push_back(folder.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

} // namespace

SliceContent::SliceContent() : track(std::make_shared<const CMidiTrack>()), patterns(FolderPatterns::none())
{
}

void SliceContent::refreshDerived()
{
    name = parsePatternName(file);
    track->getVelocityStatistics(velocity.lowest, velocity.average, velocity.highest);
}

SliceContentPtr contentWithPattern(const PatternTree *tree, const SliceContent &base,
                                   const std::string &folder, const std::string &file, bool keepNames)
{
    auto next = std::make_shared<SliceContent>(base);
    if (folder != base.folder) {
        next->folder = folder;
        next->patterns = FolderPatterns::list(tree, folder);
        next->fixedNoteOn = playsFixedNote(folder);
    }
    next->ownEvents = false;
    next->modified = false;
    auto track = std::make_shared<CMidiTrack>();
    const bool listed = !file.empty() && next->patterns->indexOf(file) >= 0;
    if (listed && tree && tree->readPattern(folder, file, *track)) {
        next->file = file;
    } else {
        next->file = keepNames ? file : std::string();
        track = std::make_shared<CMidiTrack>();
    }
    next->track = std::move(track);
    next->refreshDerived();
    return next;
}

std::string folderComponent(const std::string &folder, int n)
{
    const std::vector<std::string> parts = components(folder);
    return n >= 0 && static_cast<size_t>(n) < parts.size() ? parts[static_cast<size_t>(n)] : std::string();
}

std::string withFolderComponent(const std::string &folder, int n, const std::string &name)
{
    std::vector<std::string> parts = components(folder);
    if (n < 0)
        return folder;
    if (parts.size() <= static_cast<size_t>(n))
        parts.resize(static_cast<size_t>(n) + 1);
    parts[static_cast<size_t>(n)] = name;
    std::string path;
    for (const std::string &part : parts)
        path += part + '\\';
    return path;
}

bool playsFixedNote(const std::string &folder)
{
    const std::string sub = folderComponent(folder, 2);
    return !sub.empty() && sub[0] >= 'a' && sub[0] <= 'z';
}

} // namespace Quorvane::LoopSlice
