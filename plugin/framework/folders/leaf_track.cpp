#include "plugin/framework/folders/leaf_track.h"

namespace Quorvane::DirectoryTrees {

bool loadLeafAsTrack(Leaf &leaf, CMidiTrack &track)
{
    RefPtr<InStream> stream = leaf.open();
    return stream && track.loadSmf(*stream) == 0;
}

} // namespace Quorvane::DirectoryTrees
