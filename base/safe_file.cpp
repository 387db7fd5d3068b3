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

bool SafeFileWriter::commit()
{
    if (committed_ || !good_)
        return false;
    file_.close();
    if (!MoveFileExA(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    committed_ = true;
    return true;
}

} // namespace Quorvane
