// The classes behind the item interfaces.
#pragma once

#include "db/equipment/equipment_records.h"
#include "db/equipment/items.h"

#include <cstdint>
#include <vector>

namespace Quorvane {

class CTembriDB;
class COutSharing;
class CTrack;
class IQuorvaneSongTract;

// What every item object holds: the database, whether it holds the lock,
// and the record type of its family.
class CTembriItem {
protected:
    CTembriItem(CTembriDB *db, int lock, uint8_t type);
    ~CTembriItem();
    CTembriItem(const CTembriItem &) = delete;
    CTembriItem &operator=(const CTembriItem &) = delete;

    // The next live record of the item's type below parent after prev.
    SDBNOTE *nextBelow(SDBNOTE *prev, uint32_t parent) const;
    // The record's name through its codec, handed to the caller.
    static char *takeName(char *&owned);
    // A port or preset record's descriptor moved into out (cleared first).
    int readDescr(uint32_t id, PORTDESCR *out) const;
    // Deletes a record of the item's type with its children.
    int deleteRecord(uint32_t id) const;

    CTembriDB *db;
    int locked;
    uint8_t type;
};

class CTembriPort final : public ITembriPort, public CTembriItem {
public:
    CTembriPort(CTembriDB *db, int lock, uint8_t type) : CTembriItem(db, lock, type) {}
    void Release() override { delete this; }
    SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, long &kind, char *&name, void **data,
                     uint32_t *size) override;
    int GetDescr(uint32_t id, PORTDESCR *out) override { return readDescr(id, out); }
    int Refresh() override;
    int Delete(uint32_t id) override { return deleteRecord(id); }
};

class CTembriPreset final : public ITembriPreset, public CTembriItem {
public:
    CTembriPreset(CTembriDB *db, int lock, uint8_t type, uint32_t parent)
        : CTembriItem(db, lock, type), parent(parent)
    {
    }
    void Release() override { delete this; }
    SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, char *&name) override;
    int GetDescr(uint32_t id, PORTDESCR *out) override { return readDescr(id, out); }
    int Recall(void *item, void *context, uint32_t presetId) override;
    int Save(void *item, void *context, uint32_t replaceId, const char *name) override;
    int Delete(uint32_t id) override { return deleteRecord(id); }
    int Apply(void *item, void *context, uint32_t presetId, int stateOnly) override;

    // The record the presets are listed and saved below.
    uint32_t parent;
    // Where output presets applied in full are routed (not owned).
    COutSharing *sharing = nullptr;

private:
    // The item's descriptor with its state and the record's trailing u32.
    int describe(void *item, void *context, PRESETNOTE &record);
    int applyOut(void *out, IQuorvaneSongTract *tract, PRESETNOTE &preset, int stateOnly);
    int applyAudioEffect(void *item, IQuorvaneSongTract *tract, PRESETNOTE &preset, int stateOnly);
    int applyMIDIEffect(void *item, void *context, PRESETNOTE &preset, int stateOnly);
};

class CTembriTemplate : public ITembriTemplate, public CTembriItem {
public:
    void Release() override { delete this; }
    SDBNOTE *GetNext(SDBNOTE *prev, uint32_t &id, char *&name) override;
    int Load(CSong *song, uint32_t id) override;
    int Save(CSong *song, uint32_t replaceId, const char *name, uint32_t *newId) override;
    int GetData(uint32_t id, void **data, uint32_t *size) override;
    int SetData(uint32_t id, const void *data, uint32_t size) override;
    int Delete(uint32_t id) override { return deleteRecord(id); }
    virtual ~CTembriTemplate() = default;

    // The template last saved, and the record templates are listed and
    // saved below (SDB_NO_PARENT: top level).
    uint32_t lastSaved = SDB_NO_PARENT;
    uint32_t parent = SDB_NO_PARENT;

protected:
    CTembriTemplate(CTembriDB *db, int lock, uint8_t type) : CTembriItem(db, lock, type) {}
    // What the kind saves below its template record; 0 on failure.
    virtual int SaveContent(CSong *song, uint32_t templateId) = 0;
    // Checks a read template record before anything changes; 0 refuses it.
    virtual int CheckContent(CSong *, TEMPLATENOTE &) { return 1; }
    // Loads the template's content into the song (the undo step open); 0
    // on failure. What is slow (database reads, modules, drummers) is done
    // without the song's mutex, which the content takes only to put its
    // result in place.
    virtual int LoadContent(CSong *song, uint32_t templateId) = 0;
    virtual const char *UndoCaption() const = 0;
    // The blob the kind keeps in its template record (none by default).
    virtual int SetBlob(CSong *, TEMPLATENOTE &) { return 1; }
};

class CTemplateSongTract : public CTembriTemplate {
public:
    CTemplateSongTract(CTembriDB *db, int lock) : CTembriTemplate(db, lock, RT_TEMPLATE_SONGTRACT) {}

    // After a load: the output each stored output preset went to, in the
    // order they were saved (the tract's output numbers then).
    std::vector<void *> loadedOuts;

    // Also run inside a New Song template's save and load.
    int SaveContent(CSong *song, uint32_t templateId) override;
    int LoadContent(CSong *song, uint32_t templateId) override;

protected:
    const char *UndoCaption() const override { return "Load SongTract Template"; }
};

class CTemplateSysEx : public CTembriTemplate {
public:
    CTemplateSysEx(CTembriDB *db, int lock) : CTembriTemplate(db, lock, RT_TEMPLATE_SYSEX) {}

    // Also run inside a New Song template's save and load.
    int SaveContent(CSong *song, uint32_t templateId) override;
    int LoadContent(CSong *song, uint32_t templateId) override;

protected:
    const char *UndoCaption() const override { return "Load SysEx Template"; }
};

class CTemplateNewSong : public CTembriTemplate {
public:
    CTemplateNewSong(CTembriDB *db, int lock) : CTembriTemplate(db, lock, RT_TEMPLATE_NEWSONG) {}
    // Saves the song into an existing template: tracks with a record id
    // have it replaced, the others get new records; the sub-templates are
    // saved anew. 0 on failure.
    int Update(CSong *song, uint32_t templateId);

    long timeBase = 960;
    long sampleRate = 44100;

protected:
    int SaveContent(CSong *song, uint32_t templateId) override;
    int CheckContent(CSong *song, TEMPLATENOTE &record) override;
    int LoadContent(CSong *song, uint32_t templateId) override;
    const char *UndoCaption() const override { return "Load New Song Template"; }
    int SetBlob(CSong *song, TEMPLATENOTE &record) override;

private:
    int saveTrack(CTrack *track, uint32_t templateId, uint32_t replaceId);
    int saveSubTemplates(CSong *song, uint32_t templateId);
};

} // namespace Quorvane
