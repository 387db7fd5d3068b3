// The patterns of one slice folder as a slice chooses among them: a copy of
// the folder's listing (patterns in sub-folders included, in the walk's
// order) with what each name tells, and which level and second numbers
// occur. Made on the window thread from the pattern library; never changed
// afterwards, so slices and stored pads share it.
#pragma once

#include "plugin/fill/library/pattern_tree.h"
#include "plugin/slice/library/pattern_name.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane::LoopSlice {

struct PatternChoice {
    std::string file; // relative to the folder
    PatternName name;
};

class FolderPatterns {
public:
    // The patterns of a folder path in the stored form ("A\\B\\C\\"); empty
    // unless the path names a folder of the library exactly.
    static std::shared_ptr<const FolderPatterns> list(const PatternTree *tree, const std::string &folder);
    // A listing of nothing.
    static std::shared_ptr<const FolderPatterns> none();

    FolderPatterns() = default;
    explicit FolderPatterns(std::vector<PatternChoice> patterns);

    const std::vector<PatternChoice> &patterns() const { return patterns_; }
    size_t size() const { return patterns_.size(); }
    // Index of a file, -1 when it is not in the folder.
    int indexOf(const std::string &file) const;
    // Bit n set when a pattern of level n is present.
    uint32_t levelsPresent() const { return levels_; }
    // Bit n set when a pattern of second number n and a level of at most
    // level is present.
    uint32_t secondsUpToLevel(int32_t level) const;

private:
    std::vector<PatternChoice> patterns_;
    uint32_t levels_ = 0;
    std::array<uint32_t, kMaxPatternNumber + 1> secondsAtLevel_{};
};

// The allowed range of second numbers a set of present numbers gives:
// lowest and highest present, -1 and -1 when none is.
void secondRangeOf(uint32_t seconds, int32_t &lowest, int32_t &highest);

} // namespace Quorvane::LoopSlice
