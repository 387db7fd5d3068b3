// What outputs and effects share about descriptors: the data as a module
// name or instrument string, and the module's state kept in the
// descriptor's parameter block.
#pragma once

#include "data/io_params.h"
#include "data/stream_buffer.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <string>

namespace Quorvane {

// The data as a terminated string; it need not carry the terminator.
inline std::string DescriptorText(const PORTDESCR *descriptor)
{
    if (!descriptor || !descriptor->data || descriptor->dataSize <= 0)
        return {};
    const char *text = static_cast<const char *>(descriptor->data);
    return std::string(text, strnlen(text, static_cast<size_t>(descriptor->dataSize)));
}

// The data of what a hosting module hosts, as its host extension reports
// it into a buffer (report(buffer) -> bool): a string when asText, else a
// 16-byte class id. False when it reports nothing.
template <typename Report> bool DescribeHosted(PORTDESCR *descriptor, bool asText, Report report)
{
    if (asText) {
        char text[MAX_PATH + 1] = {};
        if (!report(static_cast<void *>(text)))
            return false;
        text[MAX_PATH] = '\0';
        descriptor->SetData(text);
        return true;
    }
    GUID id = {};
    if (!report(static_cast<void *>(&id)))
        return false;
    descriptor->SetData(&id);
    return true;
}

// The parameter block, when there is one, read by the module's state load;
// false when memory ran out.
template <typename Module> bool LoadModuleState(Module *module, const PORTDESCR *descriptor)
{
    if (!descriptor->params || descriptor->paramsSize <= 0)
        return true;
    auto *buffer = new (std::nothrow)
        StreamBuffer(nullptr, false, descriptor->params, static_cast<uint32_t>(descriptor->paramsSize));
    if (!buffer)
        return false;
    {
        BufferStream in(buffer);
        module->LoadState(&in);
    }
    buffer->release();
    return true;
}

// The module's saved state as the new parameter block (none when it saves
// nothing); false when memory ran out.
template <typename Module> bool SaveModuleState(Module *module, PORTDESCR *descriptor)
{
    return WriteParamsBlock(
               descriptor,
               [](Seekable::OutputStream *out, void *user) {
                   static_cast<Module *>(user)->SaveState(out);
                   return 1;
               },
               module) != 0;
}

} // namespace Quorvane
