// The looper block and the looper extension block of the engine state.
#include "plugin/fill/looper/looper.h"

namespace Quorvane {

bool Looper::save(OutputStream &out) const
{
    // Copied under the lock and written after it, so a slow stream never
    // holds up the real-time thread.
    LooperPart copy;
    {
        ScopedLock lock(*this);
        copy = part_;
    }
    return copy.writeBlock(out);
}

bool Looper::load(InputStream &in)
{
    LooperPart read;
    {
        ScopedLock lock(*this);
        read.exclude = part_.exclude;
    }
    if (!read.readBlock(in))
        return false;
    read.velocityMap = part_.velocityMap;
    swapPart(read);
    rebuildVelocityMap();
    refreshView();
    return true;
}

bool Looper::saveExtension(OutputStream &out) const
{
    return part_.writeExtension(out);
}

bool Looper::loadExtension(InputStream &in)
{
    return part_.readExtension(in);
}

} // namespace Quorvane
