// The song tract's audio effects on the buses and the master: adding them
// from descriptors, ordering, describing, saving and restoring their state.
#include "sound/song_tract.h"

#include "data/song.h"
#include "sound/module_keys.h"
#include "sound/module_state.h"

namespace Quorvane {

CSEffectChain *CSongTract::effectChain(void *handle)
{
    if (!handle)
        return &masterEffects;
    CSBusElem *b = bus(handle);
    return b ? &b->effects : nullptr;
}

CSEffectElem *CSongTract::effectIn(CSEffectChain *chain, void *handle) const
{
    if (!chain)
        return nullptr;
    for (CSEffectElem *e = chain->First(); e; e = static_cast<CSEffectElem *>(e->next))
        if (e == handle)
            return e;
    return nullptr;
}

CSEffectElem *CSongTract::effect(void *handle)
{
    if (CSEffectElem *e = effectIn(&masterEffects, handle))
        return e;
    for (CSBusElem *b = buses.First(); b; b = static_cast<CSBusElem *>(b->next))
        if (CSEffectElem *e = effectIn(&b->effects, handle))
            return e;
    return nullptr;
}

void *CSongTract::GetSEffectByNumb(void *handle, long number)
{
    CSEffectChain *chain = effectChain(handle);
    if (!chain || number < 0)
        return nullptr;
    CSEffectElem *e = chain->First();
    for (; e && number > 0; --number)
        e = static_cast<CSEffectElem *>(e->next);
    return e;
}

void *CSongTract::GetNextSEffect(void *handle, void *previous)
{
    CSEffectChain *chain = effectChain(handle);
    if (!chain)
        return nullptr;
    if (!previous)
        return chain->First();
    CSEffectElem *e = effectIn(chain, previous);
    return e ? e->next : nullptr;
}

IQuorvaneAudioEffect *CSongTract::GetIAudioEffect(void *handle)
{
    CSEffectElem *e = effect(handle);
    return e ? e->Effect() : nullptr;
}

IZQAEExTembri *CSongTract::GetIAEExTembri(void *handle)
{
    CSEffectElem *e = effect(handle);
    return e ? e->hostExtension : nullptr;
}

int CSongTract::GetSEffectDescr(void *handle, PORTDESCR *descriptor, int withState)
{
    CSEffectElem *e = effect(handle);
    if (!e || !descriptor)
        return 0;
    descriptor->Clear(0);
    descriptor->kind = e->kind;
    switch (e->kind) {
    case EFFECT_BY_NAME:
        descriptor->SetData(e->module.name);
        break;
    case EFFECT_VST:
    case EFFECT_DX:
        if (!e->hostExtension || !DescribeHosted(descriptor, e->kind == EFFECT_VST, [e](void *buffer) {
                return e->hostExtension->GetSelection(0, buffer);
            }))
            return 0;
        break;
    default:
        return 0;
    }
    return withState ? GetSEffectState(e, descriptor) : 1;
}

long CSongTract::GetSEffectInfo(void *handle, char *name, int &enabled)
{
    CSEffectElem *e = effect(handle);
    if (!e)
        return -1;
    if (name)
        CopySoundName(name, e->Effect()->GetProductName());
    enabled = e->enabled;
    return e->kind;
}

void CSongTract::SetSEffectInfo(void *handle, int enabled)
{
    if (CSEffectElem *e = effect(handle))
        e->enabled = enabled;
}

void *CSongTract::AddNewSEffect(void *handle, void *after, PORTDESCR *descriptor)
{
    if (!descriptor || descriptor->kind < EFFECT_BY_NAME || descriptor->kind > EFFECT_DX)
        return nullptr;
    const std::string data = DescriptorText(descriptor);
    const char *moduleName =
        descriptor->kind == EFFECT_BY_NAME ? data.c_str() : EffectModuleName(descriptor->kind);
    // Only this thread changes the chains: they stay as they are until the
    // effect is linked in.
    CSEffectChain *chain = effectChain(handle);
    CSEffectElem *place = after ? effectIn(chain, after) : nullptr;
    if (!chain || (after && !place))
        return nullptr;

    // Made, chosen and given its state before it joins the chain, as an
    // output is.
    CSEffectElem *e = chain->MakeSEffect(descriptor->kind, moduleName);
    if (!e)
        return nullptr;
    if (e->hostExtension && song)
        e->hostExtension->SetSong(song->GetITembriSong());
    setHost(e->Effect());
    const bool chosen = descriptor->kind == EFFECT_BY_NAME ||
                        (e->hostExtension && e->hostExtension->Select(0, descriptor->data));
    if (!chosen || !LoadModuleState(e->Effect(), descriptor)) {
        delete e;
        return nullptr;
    }
    e->Effect()->Resume();
    CLock lock(syncObject);
    chain->InsertAfter(e, place);
    return e;
}

int CSongTract::DeleteSEffect(void *handle, void *effectHandle)
{
    CSEffectElem *e = nullptr;
    {
        CLock lock(syncObject);
        CSEffectChain *chain = effectChain(handle);
        e = effectIn(chain, effectHandle);
        if (!e)
            return 0;
        chain->TakeSEffect(e);
    }
    // Its module goes without the lock the render thread mixes under.
    delete e;
    return 1;
}

int CSongTract::MoveSEffect(void *handle, void *effectHandle, int up)
{
    CLock lock(syncObject);
    CSEffectChain *chain = effectChain(handle);
    CSEffectElem *e = effectIn(chain, effectHandle);
    return e ? chain->Rearrange(e, up) : 0;
}

bool CSongTract::SetSEffectState(void *handle, PORTDESCR *descriptor)
{
    CSEffectElem *e = effect(handle);
    return e && descriptor && LoadModuleState(e->Effect(), descriptor);
}

bool CSongTract::GetSEffectState(void *handle, PORTDESCR *descriptor)
{
    CSEffectElem *e = effect(handle);
    return e && descriptor && SaveModuleState(e->Effect(), descriptor);
}

} // namespace Quorvane
