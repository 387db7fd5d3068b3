#include "plugin/fill/library/pattern_path.h"

#include "plugin/framework/folders/directory_tree.h"

#include <algorithm>

namespace Quorvane {

std::string canonicalPatternFolder(const std::string &folder)
{
    std::string canonical = folder;
    std::replace(canonical.begin(), canonical.end(), '/', '\\');
    const size_t first = canonical.find_first_not_of('\\');
    if (first == std::string::npos)
        return std::string();
    canonical.erase(0, first);
    canonical.erase(canonical.find_last_not_of('\\') + 1);
    return canonical;
}

bool isSafePatternPath(const std::string &folder, const std::string &file)
{
    return (folder.empty() || DirectoryTrees::isSafeRelativePath(folder)) &&
           DirectoryTrees::isSafeRelativePath(file);
}

} // namespace Quorvane
