#include "app/files/safe_file_storage.h"

namespace Quorvane {

int SafeFileStorage::InternalPutBuffer(const void *source, long length)
{
    if (!source || length < 0 ||
        writer_.writeBytes(source, static_cast<uint32_t>(length)) != uint32_t(length)) {
        SetError();
        return 0;
    }
    return 1;
}

long SafeFileStorage::GetLength()
{
    if (!writer_.good()) {
        SetError();
        return -1;
    }
    return static_cast<long>(writer_.size());
}

long SafeFileStorage::GetPos()
{
    if (!writer_.good()) {
        SetError();
        return -1;
    }
    return static_cast<long>(writer_.position());
}

long SafeFileStorage::SetPos(long position)
{
    if (position < 0 || !writer_.seek(static_cast<uint32_t>(position))) {
        SetError();
        return -1;
    }
    return position;
}

bool SafeFileStorage::Commit()
{
    return !error && writer_.commit();
}

} // namespace Quorvane
