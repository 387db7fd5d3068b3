#include "plugin/slice/library/folder_patterns.h"

namespace Quorvane::LoopSlice {

FolderPatterns::FolderPatterns(std::vector<PatternChoice> patterns) : patterns_(std::move(patterns))
{
    for (const PatternChoice &choice : patterns_) {
        levels_ |= 1u << choice.name.level;
        secondsAtLevel_[static_cast<size_t>(choice.name.level)] |= 1u << choice.name.second;
    }
}

std::shared_ptr<const FolderPatterns> FolderPatterns::none()
{
    static const std::shared_ptr<const FolderPatterns> empty = std::make_shared<FolderPatterns>();
    return empty;
}

std::shared_ptr<const FolderPatterns> FolderPatterns::list(const PatternTree *tree, const std::string &folder)
{
    std::string exact = folder;
    if (!tree || folder.empty() || !tree->resolve(exact, 0))
        return none();
    const PatternListing listing = tree->findNode(folder);
    std::vector<PatternChoice> patterns;
    patterns.reserve(listing.entries.size());
    for (const PatternEntry &entry : listing.entries) {
        std::string file = entry.relativeFile();
        PatternName name = parsePatternName(file);
        patterns.push_back({std::move(file), name});
    }
    return std::make_shared<FolderPatterns>(std::move(patterns));
}

int FolderPatterns::indexOf(const std::string &file) const
{
    for (size_t i = 0; i < patterns_.size(); ++i)
        if (patterns_[i].file == file)
            return static_cast<int>(i);
    return -1;
}

uint32_t FolderPatterns::secondsUpToLevel(int32_t level) const
{
    uint32_t seconds = 0;
    for (int32_t n = 0; n <= level && n <= kMaxPatternNumber; ++n)
        seconds |= secondsAtLevel_[static_cast<size_t>(n)];
    return seconds;
}

void secondRangeOf(uint32_t seconds, int32_t &lowest, int32_t &highest)
{
    lowest = highest = -1;
    for (int32_t n = 0; n <= kMaxPatternNumber; ++n) {
        if (seconds & (1u << n)) {
            if (lowest < 0)
                lowest = n;
            highest = n;
        }
    }
}

} // namespace Quorvane::LoopSlice
