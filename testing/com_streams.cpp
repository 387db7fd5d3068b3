#include "testing/com_streams.h"

#include <ole2.h>

namespace testing_support {

std::string savedBytes(IPersistStream *persist)
{
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return {};
    std::string bytes;
    if (SUCCEEDED(persist->Save(stream, TRUE))) {
        HGLOBAL global = nullptr;
        ULARGE_INTEGER end{};
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
        if (SUCCEEDED(GetHGlobalFromStream(stream, &global))) {
            const char *data = static_cast<const char *>(GlobalLock(global));
            bytes.assign(data, static_cast<size_t>(end.QuadPart));
            GlobalUnlock(global);
        }
    }
    stream->Release();
    return bytes;
}

IStream *streamHolding(const std::string &bytes)
{
    IStream *stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return nullptr;
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    return stream;
}

} // namespace testing_support
