#include "sound/ssynth_elem.h"

#include "data/io_params.h"
#include "sound/module_keys.h"

#include <new>

namespace Quorvane {

CSSynthElem::CSSynthElem(long outputKind, const char *moduleName, const IOPARAMS *ioParams)
    : params(ioParams), kind(outputKind)
{
    IQuorvaneSoftSynth *synth =
        static_cast<IQuorvaneSoftSynth *>(module.Load(moduleName, kSoftSynthKey, "CreateSoftSynth"));
    if (!synth)
        return;
    synth->SetSampleRate(static_cast<float>(params->sampleRate));
    synth->SetBlockSize(params->bufferFrames);
    enumInterface = static_cast<IZQSSExEnum *>(synth->GetSubInterface(SSEX_ENUM));
    hostExtension = static_cast<IZQSSExTembri *>(synth->GetSubInterface(SSEX_TEMBRI));
    RefreshNames();
}

CSSynthElem::~CSSynthElem()
{
    names.Clear();
    enumInterface = nullptr;
    hostExtension = nullptr;
    if (IQuorvaneSoftSynth *synth = Synth())
        synth->Destroy();
    module.Unload();
}

long CSSynthElem::Compare(CChainElem *other)
{
    const auto *o = static_cast<CSSynthElem *>(other);
    if (kind != o->kind)
        return kind < o->kind ? -1 : 1;
    if (instance != o->instance)
        return instance < o->instance ? -1 : 1;
    return 0;
}

int CSSynthElem::FillAccum(float *buffer, long frames, int add, int64_t blockStart)
{
    IQuorvaneSoftSynth *synth = Synth();
    long sent = 0;
    for (CEvntTransElem *e = GetFirstElem(); e; e = static_cast<CEvntTransElem *>(e->next)) {
        const int64_t offset = e->sample < blockStart ? 0 : e->sample - blockStart;
        if (offset >= frames)
            break;
        synth->MidiIn(reinterpret_cast<const uint8_t *>(&e->message), static_cast<int>(offset));
        ++sent;
    }
    if (sent)
        Delete(first, sent);
    float *target[1] = {buffer};
    const bool sound = add ? synth->RenderAdding(target, frames) : synth->RenderReplacing(target, frames);
    return sound ? 1 : 0;
}

namespace {

// A note-off as it is, or wrapped as a chord track's message.
bool isNoteOff(uint32_t message)
{
    if ((message & 0xFF) == MSG_CHORD_MIDI)
        message >>= 8;
    const uint32_t status = message & 0xF0;
    return status == 0x80 || (status == 0x90 && ((message >> 16) & 0x7F) == 0);
}

} // namespace

void CSSynthElem::DropQueue()
{
    IQuorvaneSoftSynth *synth = Synth();
    for (CEvntTransElem *e = GetFirstElem(); e && synth; e = static_cast<CEvntTransElem *>(e->next))
        if (isNoteOff(e->message))
            synth->MidiIn(reinterpret_cast<const uint8_t *>(&e->message), 0);
    CEvntTransChain::Clear(nullptr);
}

void CSSynthElem::UpdateIOParams(int framesChanged, int rateChanged)
{
    IQuorvaneSoftSynth *synth = Synth();
    synth->Reset();
    if (rateChanged)
        synth->SetSampleRate(static_cast<float>(params->sampleRate));
    if (framesChanged)
        synth->SetBlockSize(params->bufferFrames);
    synth->Resume();
}

CSSynthElem *CSSynthChain::MakeSSynth(long kind, const char *moduleName) const
{
    auto *output = new (std::nothrow) CSSynthElem(kind, moduleName, params);
    if (output && !output->Synth()) {
        delete output;
        return nullptr;
    }
    return output;
}

void CSSynthChain::InsertMade(CSSynthElem *output)
{
    InsertSort(output);
    ReNumbering();
}

CSSynthElem *CSSynthChain::InsertSSynth(long kind, const char *moduleName)
{
    CSSynthElem *output = MakeSSynth(kind, moduleName);
    if (output)
        InsertMade(output);
    return output;
}

void CSSynthChain::DeleteSSynth(CSSynthElem *output)
{
    delete TakeSSynth(output);
}

CSSynthElem *CSSynthChain::TakeSSynth(CSSynthElem *output)
{
    Unlink(output);
    ReNumbering();
    return output;
}

void CSSynthChain::ReNumbering()
{
    for (CSSynthElem *output = First(); output; output = static_cast<CSSynthElem *>(output->next)) {
        output->instance = 0;
        for (auto *earlier = static_cast<CSSynthElem *>(output->prev); earlier;
             earlier = static_cast<CSSynthElem *>(earlier->prev)) {
            if (lstrcmpiA(earlier->ModuleName() ? earlier->ModuleName() : "",
                          output->ModuleName() ? output->ModuleName() : "") == 0) {
                output->instance = earlier->instance + 1;
                break;
            }
        }
    }
}

} // namespace Quorvane
