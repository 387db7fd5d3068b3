// Binding a MIDI effect: the module found by name, the effect it creates,
// and the effect's class id and state kept in a port descriptor.
#include "data/io_params.h"
#include "data/meff_chain.h"
#include "data/module_loader.h"
#include "data/stream_buffer.h"
#include "data/strings.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace Quorvane {

void LoadMEffectModule(const char *name, IQuorvaneMIDIEffect *&effect, HMODULE &module)
{
    effect = nullptr;
    module = LoadModuleByName(kMIDIEffectKey, name, nullptr);
    if (!module)
        return;
    auto create = reinterpret_cast<CreateMIDIEffectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "CreateMIDIEffect")));
    effect = create ? create() : nullptr;
    if (!effect) {
        FreeLibrary(module);
        module = nullptr;
    }
}

void FreeMEffectModule(IQuorvaneMIDIEffect *&effect, HMODULE &module)
{
    if (effect)
        effect->Release();
    effect = nullptr;
    if (module)
        FreeLibrary(module);
    module = nullptr;
}

// --- the element ----------------------------------------------------------------

CMEffElem::CMEffElem(PORTDESCR *descriptor, void *host, void *owner)
    : kind(descriptor ? descriptor->kind : PORT_NONE)
{
    if (kind == PORT_BY_NAME) {
        // The name is the data up to its terminator, within its size.
        if (descriptor->dataSize > 0)
            moduleName = CreateString(static_cast<const char *>(descriptor->data), descriptor->dataSize);
    } else if (kind == PORT_BY_GUID)
        moduleName = CreateString(kMfxHostModule, -1);
    else
        return;
    if (kind == PORT_BY_GUID && !moduleName)
        return;
    LoadMEffectModule(moduleName, effect, module);
    if (!effect)
        return;
    bool ok = effect->Init(host, owner) != 0;
    if (ok && kind == PORT_BY_GUID)
        ok =
            descriptor->data && effect->GuidOperation(MEFF_BIND_GUID, descriptor->data, descriptor->dataSize);
    if (ok)
        ok = SetMEffectState(descriptor) != 0;
    if (!ok)
        FreeMEffectModule(effect, module);
}

CMEffElem::~CMEffElem()
{
    if (effect && chained)
        effect->Release();
    FreeMEffectModule(effect, module);
    std::free(moduleName);
}

const char *CMEffElem::GetName()
{
    const char *own = effect ? effect->GetName() : nullptr;
    return own ? own : moduleName;
}

namespace {

int saveEffect(Seekable::OutputStream *out, void *user)
{
    return static_cast<IQuorvaneMIDIEffect *>(user)->SaveState(out);
}

} // namespace

int CMEffElem::GetMEffectDescr(PORTDESCR *descriptor, int withState)
{
    if (!descriptor)
        return 0;
    descriptor->Clear(0);
    if (kind == PORT_BY_NAME) {
        if (!moduleName || !descriptor->SetData(moduleName))
            return 0;
    } else if (kind == PORT_BY_GUID) {
        GUID guid;
        if (!effect || !effect->GuidOperation(MEFF_GET_GUID, &guid, sizeof(guid)) ||
            !descriptor->SetData(&guid))
            return 0;
    } else {
        return 0;
    }
    descriptor->kind = kind;
    if (!withState)
        return 1;
    return effect && WriteParamsBlock(descriptor, saveEffect, effect);
}

int CMEffElem::SetMEffectState(PORTDESCR *descriptor)
{
    if (!effect || !descriptor)
        return 0;
    if (!descriptor->params || descriptor->paramsSize <= 0)
        return 1;
    StreamBuffer *buffer = new (std::nothrow)
        StreamBuffer(nullptr, false, descriptor->params, static_cast<uint32_t>(descriptor->paramsSize));
    if (!buffer)
        return 0;
    int ok;
    {
        BufferStream in(buffer);
        ok = effect->LoadState(&in);
    }
    buffer->release();
    return ok ? 1 : 0;
}

} // namespace Quorvane
