// The song tract's outputs: adding them from descriptors, removing,
// describing, saving and restoring their state, and routing them to buses.
#include "sound/song_tract.h"

#include "data/song.h"
#include "sound/module_keys.h"
#include "sound/module_state.h"
#include "sound/sound_mngr.h"

#include <cstring>
#include <new>
#include <string>

namespace Quorvane {

CSSynthElem *CSongTract::output(void *out) const
{
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next))
        if (o == out)
            return o;
    return nullptr;
}

void *CSongTract::GetOutPreview()
{
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next))
        if (o->kind == OUT_PREVIEW && o->instance == 0 && lstrcmpiA(o->ModuleName(), "Default Preview") == 0)
            return o;
    return nullptr;
}

void *CSongTract::GetOutChords()
{
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next))
        if (o->kind == OUT_CHORDS && o->instance == 0 && lstrcmpiA(o->ModuleName(), "Strummarel") == 0)
            return o;
    return nullptr;
}

void *CSongTract::GetOutByDescr(PORTDESCR *descriptor)
{
    if (!descriptor)
        return nullptr;
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next)) {
        if (o->kind != descriptor->kind)
            continue;
        PORTDESCR own;
        if (GetOutDescr(o, &own, 0) && own.IsEqual(*descriptor))
            return o;
    }
    return nullptr;
}

long CSongTract::GetOutNumb(void *out)
{
    long position = 0;
    for (CSSynthElem *o = outputs.First(); o; o = static_cast<CSSynthElem *>(o->next), ++position)
        if (o == out)
            return position;
    return -1;
}

void *CSongTract::GetOutByNum(long number)
{
    if (number < 0)
        return nullptr;
    CSSynthElem *o = outputs.First();
    for (; o && number > 0; --number)
        o = static_cast<CSSynthElem *>(o->next);
    return o;
}

int CSongTract::connect(CSSynthElem *out, CSBusElem *to)
{
    for (CSBusElem *bus = buses.First(); bus; bus = static_cast<CSBusElem *>(bus->next))
        if (bus != to)
            bus->Disconnect(out);
    return to->Connect(out);
}

CSSynthElem *CSongTract::takeOutput(CSSynthElem *out)
{
    // Every connection goes with it: a bus never mixes a deleted output.
    buses.DisconnectEverywhere(out);
    return outputs.TakeSSynth(out);
}

void *CSongTract::AddNewOut(PORTDESCR *descriptor)
{
    if (!descriptor || descriptor->kind < OUT_PREVIEW || descriptor->kind > OUT_MIDI)
        return nullptr;
    const long kind = descriptor->kind;
    const std::string data = DescriptorText(descriptor);
    const char *moduleName = kind == OUT_BY_NAME ? data.c_str() : OutputModuleName(kind);

    // The module is loaded, given its instrument and state and resumed
    // before the output joins the tract: the render thread, which mixes
    // under the tract's lock, never waits for a module or a hosted
    // instrument to open.
    CSSynthElem *out = outputs.MakeSSynth(kind, moduleName);
    if (!out)
        return nullptr;
    if (out->hostExtension && song)
        out->hostExtension->SetSong(song->GetITembriSong());
    IQuorvaneSoftSynth *synth = out->Synth();
    setHost(synth);

    bool chosen = true;
    if (kind == OUT_VSTI || kind == OUT_DXI || kind == OUT_DLS) {
        chosen = out->hostExtension && out->hostExtension->SelectInstrument(0, descriptor->data);
    } else if (kind == OUT_MIDI) {
        const long port = manager->GetMIDIPortID(1, const_cast<char *>(data.c_str()));
        if (port < 0) {
            chosen = false;
        } else {
            synth->SetParam(0, static_cast<float>(port));
            chosen = static_cast<long>(synth->GetParam(0)) == port;
        }
    }
    if (!chosen || !LoadModuleState(synth, descriptor)) {
        delete out;
        return nullptr;
    }
    out->RefreshNames();
    synth->Resume();
    bool joined = false;
    {
        CLock lock(syncObject);
        if (CSBusElem *bus = buses.GetBus(0)) {
            outputs.InsertMade(out);
            joined = connect(out, bus) != 0;
            if (!joined)
                takeOutput(out);
        }
    }
    if (!joined) {
        delete out;
        return nullptr;
    }
    return out;
}

void CSongTract::DeleteOut(void *out)
{
    CSSynthElem *leaving = nullptr;
    {
        CLock lock(syncObject);
        if (CSSynthElem *o = output(out))
            leaving = takeOutput(o);
    }
    // The module goes without the tract's lock, which the render thread
    // takes: its editor window closes with it, and freeing a library takes
    // the loader's lock.
    delete leaving;
}

bool CSongTract::SetOutState(void *out, PORTDESCR *descriptor)
{
    CSSynthElem *o = output(out);
    if (!o || !descriptor || !LoadModuleState(o->Synth(), descriptor))
        return false;
    o->RefreshNames();
    return true;
}

bool CSongTract::GetOutState(void *out, PORTDESCR *descriptor)
{
    CSSynthElem *o = output(out);
    return o && descriptor && SaveModuleState(o->Synth(), descriptor);
}

void CSongTract::RefreshOut(void *out)
{
    if (CSSynthElem *o = output(out))
        o->RefreshNames();
}

long CSongTract::GetOutType(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->kind : -1;
}

ISysExPort *CSongTract::GetSysExPort(void *out)
{
    CSSynthElem *o = output(out);
    if (!o || o->kind != OUT_MIDI || !o->Synth() || !manager)
        return nullptr;
    // Parameter 0 holds the port the output was made for.
    return manager->GetMIDIOutPort(static_cast<long>(o->Synth()->GetParam(0)));
}

void *CSongTract::GetNextOut(void *out)
{
    if (!out)
        return outputs.First();
    CSSynthElem *o = output(out);
    return o ? o->next : nullptr;
}

IQuorvaneSoftSynth *CSongTract::GetISoftSynth(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->Synth() : nullptr;
}

IZQSSExEnum *CSongTract::GetISSExEnum(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->enumInterface : nullptr;
}

IZQSSExTembri *CSongTract::GetISSExTembri(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->hostExtension : nullptr;
}

int CSongTract::GetOutDescr(void *out, PORTDESCR *descriptor, int withState)
{
    CSSynthElem *o = output(out);
    if (!o || !descriptor)
        return 0;
    descriptor->Clear(0);
    descriptor->kind = o->kind;
    switch (o->kind) {
    case OUT_PREVIEW:
    case OUT_CHORDS:
    case OUT_AUDIO:
    case OUT_BY_NAME:
        descriptor->SetData(o->ModuleName());
        break;
    case OUT_VSTI:
    case OUT_DXI:
    case OUT_DLS:
        if (!o->hostExtension || !DescribeHosted(descriptor, o->kind == OUT_VSTI, [o](void *buffer) {
                return o->hostExtension->GetInstrument(0, buffer);
            }))
            return 0;
        break;
    case OUT_MIDI: {
        char text[kSoundNameSize];
        CopySoundName(text, o->Synth()->GetName());
        descriptor->SetData(text);
        break;
    }
    default:
        return 0;
    }
    return withState ? GetOutState(o, descriptor) : 1;
}

long CSongTract::GetOutInfo(void *out, char *name, long &instance)
{
    CSSynthElem *o = output(out);
    if (!o)
        return -1;
    CopySoundName(name, o->Synth()->GetProductName());
    instance = o->instance;
    return o->kind;
}

long CSongTract::GetOutBus(void *out)
{
    CSSynthElem *o = output(out);
    if (!o)
        return 0;
    if (o->kind == OUT_MIDI)
        return -1;
    const long position = buses.Position(buses.BusOf(o));
    return position < 0 ? 0 : position;
}

int CSongTract::ReconnectOutAndBus(void *out, void *fromBus, void *toBus)
{
    CLock lock(syncObject);
    CSSynthElem *o = output(out);
    if (!o)
        return 0;
    CSBusElem *from = bus(fromBus);
    CSBusElem *to = bus(toBus);
    const int disconnected = from ? from->Disconnect(o) : 1;
    if (!to)
        return disconnected;
    return connect(o, to);
}

// --- names ----------------------------------------------------------------------

int CSongTract::IsBanksEnumed(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->names.IsBanksEnumed() : 0;
}

int CSongTract::IsNotesEnumed(void *out, long channel, long bank, long program)
{
    CSSynthElem *o = output(out);
    return o ? o->names.IsNotesEnumed(channel, bank, program) : 0;
}

int CSongTract::EnumBanks(void *out, long index, char *name, long &number)
{
    CSSynthElem *o = output(out);
    return o ? o->names.GetBankAt(index, name, number) : 0;
}

int CSongTract::StringBank(void *out, char *name, long bank)
{
    CSSynthElem *o = output(out);
    return o ? o->names.StringBank(name, bank) : 0;
}

int CSongTract::StringProg(void *out, char *name, long bank, long program)
{
    CSSynthElem *o = output(out);
    return o ? o->names.StringProg(name, bank, program) : 0;
}

int CSongTract::StringCtrl(void *out, char *name, long controller)
{
    CSSynthElem *o = output(out);
    return o ? o->names.StringCtrl(name, controller) : 0;
}

int CSongTract::StringNote(void *out, char *name, long channel, long bank, long program, long note)
{
    CSSynthElem *o = output(out);
    return o ? o->names.StringNote(name, channel, bank, program, note) : 0;
}

char *CSongTract::GetZQSoftSynthName(void *out)
{
    CSSynthElem *o = output(out);
    return o ? o->module.name : nullptr;
}

} // namespace Quorvane
