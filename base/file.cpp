#include "base/file.h"

namespace Quorvane {

File::File(const char *path, uint32_t access, uint32_t creation)
{
    open(path, access, creation);
}

File::~File()
{
    close();
}

bool File::open(const char *path, uint32_t access, uint32_t creation)
{
    close();
    // Readers let others read too; writers keep the file to themselves.
    const DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
    handle_ = CreateFileA(path, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return isOpen();
}

void File::close()
{
    if (isOpen())
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

uint32_t File::getSize()
{
    return isOpen() ? GetFileSize(handle_, nullptr) : 0;
}

bool File::setEnd()
{
    return isOpen() && SetEndOfFile(handle_);
}

uint32_t File::seek(int32_t offset, uint32_t moveMethod)
{
    return isOpen() ? SetFilePointer(handle_, offset, nullptr, moveMethod) : 0;
}

uint32_t File::read(void *buffer, uint32_t count)
{
    DWORD done = 0;
    if (!isOpen() || !ReadFile(handle_, buffer, count, &done, nullptr))
        return 0;
    return done;
}

uint32_t File::write(const void *buffer, uint32_t count)
{
    DWORD done = 0;
    if (!isOpen() || !WriteFile(handle_, buffer, count, &done, nullptr))
        return 0;
    return done;
}

bool File::flush()
{
    return isOpen() && FlushFileBuffers(handle_);
}

} // namespace Quorvane
