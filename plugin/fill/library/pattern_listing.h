// The patterns below one folder of the library, as a copy that stays valid
// whatever a rescan does to the tree.
#pragma once

#include <string>
#include <vector>

namespace Quorvane {

struct PatternEntry {
    // The pattern's folder relative to the listed folder, each name followed
    // by a backslash; empty for patterns directly in it.
    std::string subFolder;
    std::string name;
    bool inVolume = false;

    // The file as the library reads it relative to the listed folder.
    std::string relativeFile() const { return subFolder + name; }
};

struct PatternListing {
    // The folder that was listed, relative to the library in the same form
    // as subFolder; empty for the whole library.
    std::string folder;
    // Depth first: a folder's own patterns, then its sub-folders in order.
    std::vector<PatternEntry> entries;
};

} // namespace Quorvane
