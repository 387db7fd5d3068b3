#include "base/safe_file.h"

namespace Quorvane {

namespace {

std::string folderOf(const std::string &path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

SafeFileWriter::SafeFileWriter(const std::string &target) : target_(target)
{
    char temp[MAX_PATH];
    if (GetTempFileNameA(folderOf(target).c_str(), "qv", 0, temp) == 0)
        return;
    temp_ = temp;
    good_ = file_.open(temp_.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
}

SafeFileWriter::~SafeFileWriter()
{
    file_.close();
    if (!committed_ && !temp_.empty())
        DeleteFileA(temp_.c_str());
}

uint32_t SafeFileWriter::writeBytes(const void *buffer, uint32_t count)
{
    const uint32_t written = good_ ? file_.write(buffer, count) : 0;
    if (written != count)
        good_ = false;
    return written;
}

uint32_t SafeFileWriter::position()
{
    return good_ ? file_.seek(0, FILE_CURRENT) : 0;
}

uint32_t SafeFileWriter::size()
{
    return good_ ? file_.getSize() : 0;
}

bool SafeFileWriter::seek(uint32_t position)
{
    if (good_ && (position > INT32_MAX || file_.seek(static_cast<int32_t>(position), FILE_BEGIN) != position))
        good_ = false;
    return good_;
}

bool SafeFileWriter::commit()
{
    if (committed_ || !good_)
        return false;
    // Once the name points at the new file its bytes must be on the disk,
    // or a power cut could leave the user an empty file in place of both.
    good_ = file_.flush();
    file_.close();
    if (!good_ ||
        !MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        good_ = false;
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace Quorvane
