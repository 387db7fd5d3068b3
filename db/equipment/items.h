// The item objects of the equipment database: ports of one kind, presets of
// one port or effect, and templates of whole song set-ups. Each is released
// through its first slot; one made with the lock flag holds the database
// lock until then, so that a series of calls runs as one step.
#pragma once

#include "data/io_params.h"
#include "db/records/sdb_note.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CSong;

class ITembriPort {
public:
    enum TYPE : long {
        OWN_SYNTHS = 0,
        VST_INSTRUMENTS = 1,
        DXI_SYNTHS = 2,
        DLS_SYNTHS = 3,
        MIDI_OUT_PORTS = 4,
        OWN_AUDIO_EFFECTS = 5,
        VST_EFFECTS = 6,
        DIRECTX_FILTERS = 7,
        OWN_MIDI_EFFECTS = 8,
        MFX_PLUGINS = 9,
    };

    virtual void Release() = 0;
    // The next port record after prev (the first for null), null at the
    // end. Name and data (when asked) are malloc blocks for the caller.
    virtual SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, long &kind, char *&name, void **data,
                             uint32_t *size) = 0;
    // Clears out and moves the record's descriptor into it.
    virtual int GetDescr(uint32_t id, PORTDESCR *out) = 0;
    // Brings the records in line with the installed equipment.
    virtual int Refresh() = 0;
    // Deletes the record and its presets.
    virtual int Delete(uint32_t id) = 0;

protected:
    ~ITembriPort() = default;
};

// What item and context are, by preset type: an output handle and the
// song tract (output presets), an effect handle or, to apply, a bus handle
// and the song tract (audio effect presets), a CMEffElem and its track or,
// to apply, a CTrack and the CSong (MIDI effect presets).
class ITembriPreset {
public:
    virtual void Release() = 0;
    virtual SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, char *&name) = 0;
    virtual int GetDescr(uint32_t id, PORTDESCR *out) = 0;
    virtual int Recall(void *item, void *context, uint32_t presetId) = 0;
    virtual int Save(void *item, void *context, uint32_t replaceId, const char *name) = 0;
    virtual int Delete(uint32_t id) = 0;
    virtual int Apply(void *item, void *context, uint32_t presetId, int stateOnly) = 0;

protected:
    ~ITembriPreset() = default;
};

class ITembriTemplate {
public:
    enum TYPE : uint32_t { TT_NEWSONG = 0, TT_SONGTRACT = 1, TT_SYSEX = 2 };

    virtual void Release() = 0;
    virtual SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, char *&name) = 0;
    virtual int Load(CSong *song, uint32_t id) = 0;
    virtual int Save(CSong *song, uint32_t replaceId, const char *name, uint32_t *newId) = 0;
    // A malloc copy of the template's first data block.
    virtual int GetData(uint32_t id, void **data, uint32_t *size) = 0;
    // Appends a data block below the template.
    virtual int SetData(uint32_t id, const void *data, uint32_t size) = 0;
    virtual int Delete(uint32_t id) = 0;

protected:
    ~ITembriTemplate() = default;
};

// Replace id meaning "a new record".
constexpr uint32_t kNoReplace = 0xFFFFFFFF;

} // namespace Quorvane
