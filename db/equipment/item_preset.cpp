// Preset items: the stored states of one output, audio effect or MIDI
// effect, saved from and applied to a song.
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"
#include "db/equipment/cant_load.h"
#include "db/equipment/items_impl.h"
#include "db/equipment/out_sharing.h"
#include "db/equipment/tembri_db.h"

#include <cstdlib>
#include <new>

namespace Quorvane {

SDBNOTE *CTembriPreset::GetNext(SDBNOTE *prev, uint32_t &id, char *&name)
{
    SDBNOTE *note = nextBelow(prev, parent);
    name = nullptr;
    if (!note)
        return nullptr;
    id = note->id;
    PRESETNOTE record(type, note->id);
    if (db->ReadNote(&record))
        name = takeName(record.descr.name);
    return note;
}

int CTembriPreset::Recall(void *item, void *context, uint32_t presetId)
{
    return Apply(item, context, presetId, 1);
}

int CTembriPreset::describe(void *item, void *context, PRESETNOTE &record)
{
    switch (type) {
    case RT_PRESET_OUT: {
        auto *tract = static_cast<IQuorvaneSongTract *>(context);
        record.extra = uint32_t(tract->GetOutBus(item));
        return tract->GetOutDescr(item, &record.descr, 1);
    }
    case RT_PRESET_AEFF: {
        auto *tract = static_cast<IQuorvaneSongTract *>(context);
        int enabled = 0;
        tract->GetSEffectInfo(item, nullptr, enabled);
        record.extra = uint32_t(enabled);
        return tract->GetSEffectDescr(item, &record.descr, 1);
    }
    case RT_PRESET_MEFF: {
        auto *elem = static_cast<CMEffElem *>(item);
        record.extra = elem->active ? 1 : 0;
        return elem->GetMEffectDescr(&record.descr, 1);
    }
    }
    return 0;
}

int CTembriPreset::Save(void *item, void *context, uint32_t replaceId, const char *name)
{
    if (!item || !context)
        return 0;
    PRESETNOTE record(type, 0, parent);
    PRESETNOTE old(type, replaceId);
    if (replaceId != kNoReplace && !db->ReadNote(&old))
        return 0;
    if (!describe(item, context, record))
        return 0;
    // A new name wins; else a replaced preset keeps its name.
    if (name && *name) {
        if (!record.descr.SetName(name))
            return 0;
    } else if (replaceId != kNoReplace) {
        std::free(record.descr.name);
        record.descr.name = takeName(old.descr.name);
    }
    // The old preset goes only once the new one is written.
    if (!db->AddNewNote(&record))
        return 0;
    return replaceId == kNoReplace || db->DeleteNoteByID(replaceId);
}

int CTembriPreset::Apply(void *item, void *context, uint32_t presetId, int stateOnly)
{
    PRESETNOTE preset(type, presetId);
    if (!context || !db->ReadNote(&preset))
        return 0;
    switch (type) {
    case RT_PRESET_OUT:
        return applyOut(item, static_cast<IQuorvaneSongTract *>(context), preset, stateOnly);
    case RT_PRESET_AEFF:
        return applyAudioEffect(item, static_cast<IQuorvaneSongTract *>(context), preset, stateOnly);
    case RT_PRESET_MEFF:
        return applyMIDIEffect(item, context, preset, stateOnly);
    }
    return 0;
}

int CTembriPreset::applyOut(void *out, IQuorvaneSongTract *tract, PRESETNOTE &preset, int stateOnly)
{
    if (!stateOnly)
        return sharing && sharing->ProcessOut(&preset.descr, long(preset.extra));
    PORTDESCR current;
    return out && tract->GetOutDescr(out, &current, 0) && current.IsEqual(preset.descr) &&
           tract->SetOutState(out, &preset.descr);
}

int CTembriPreset::applyAudioEffect(void *item, IQuorvaneSongTract *tract, PRESETNOTE &preset, int stateOnly)
{
    if (stateOnly) {
        PORTDESCR current;
        return item && tract->GetSEffectDescr(item, &current, 0) && current.IsEqual(preset.descr) &&
               tract->SetSEffectState(item, &preset.descr);
    }
    void *effect = tract->AddNewSEffect(item, nullptr, &preset.descr);
    if (!effect)
        return CantLoadQuestion(RT_PRESET_AEFF, &preset.descr);
    tract->SetSEffectInfo(effect, int(preset.extra));
    return 1;
}

int CTembriPreset::applyMIDIEffect(void *item, void *context, PRESETNOTE &preset, int stateOnly)
{
    if (stateOnly) {
        auto *elem = static_cast<CMEffElem *>(item);
        PORTDESCR current;
        return elem && elem->GetMEffectDescr(&current, 0) && current.IsEqual(preset.descr) &&
               elem->SetMEffectState(&preset.descr);
    }
    auto *track = static_cast<CTrack *>(item);
    auto *song = static_cast<CSong *>(context);
    if (!track || track->GetKind() != TRACK_MIDI)
        return 0;
    auto *elem = new (std::nothrow) CMEffElem(&preset.descr, song->GetITembriSong(), track);
    if (!elem)
        return 0;
    if (!elem->effect) {
        delete elem;
        return 0;
    }
    elem->active = preset.extra ? 1 : 0;
    static_cast<CTrackMIDI *>(track)->effects.AddNewMEffElem(elem);
    return 1;
}

} // namespace Quorvane
