// The equipment database: one record file ("TPRS") beside the program with
// the stored I/O parameters, the installed ports by kind, their presets,
// templates and the VST scan cache. It opens or creates its file and hands
// out the item objects that walk and change the records.
#pragma once

#include "data/io_params.h"
#include "db/records/sdb.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class ITembriPort;
class ITembriPreset;
class ITembriTemplate;

// "TPRS" as its four characters stand in the file.
constexpr uint32_t kEquipmentMagic = 'T' | ('P' << 8) | ('R' << 16) | (uint32_t('S') << 24);
constexpr uint32_t kEquipmentVersion = 0x10000;

class STAVRUND_API CTembriDB : public CSDB {
public:
    // Called with the name a damaged database was kept under, before the
    // new one is made.
    using KeptAsideNotice = void (*)(const char *keptAs);

    // Opens the file, or creates it when it is missing; result 0 when
    // neither worked, 1 for an existing database, 2 for a new one. A file
    // without records gets its root record; a file the record file refuses
    // as damaged, or with records but no whole root record, is kept aside
    // under another name as it stood (nothing in it is lost), the notice
    // runs, and a new database takes its place. A file that could not be
    // read (a read that failed, memory that ran out, the file held) stays
    // as it is, with result 0 and the reason in OpenError.
    CTembriDB(const char *fileName, uint32_t version, long &result, KeptAsideNotice notice = nullptr);
    // Over no file yet: the owner opens or creates one (song files do).
    explicit CTembriDB(uint32_t version) : version(version) {}
    CTembriDB(const CTembriDB &) = default;
    CTembriDB &operator=(const CTembriDB &) = default;
    ~CTembriDB() override;

    // The stored parameters moved into params; 0 when none are stored or
    // they cannot be read (params unchanged then).
    int GetIOParams(IOPARAMS *params);
    // Stores a copy, replacing the stored record; 0 when a folder is longer
    // than 255 bytes or the write fails.
    int SetIOParams(IOPARAMS *params);

    // Item objects over this database (null when memory runs out); with a
    // non-zero lock they hold the database lock until released.
    ITembriTemplate *GetITembriTemplateNewSong(int lock);
    ITembriTemplate *GetITembriTemplateSongTract(int lock);
    ITembriTemplate *GetITembriTemplateSysEx(int lock);
    ITembriPreset *GetITembriPresetOut(uint32_t portId, int lock);
    ITembriPreset *GetITembriPresetAEff(uint32_t portId, int lock);
    ITembriPreset *GetITembriPresetMEff(uint32_t portId, int lock);
    // Null for a type outside 0..9.
    ITembriPort *GetITembriPort(long type, int lock);

    uint32_t version;

private:
    void FailUnread();
};

} // namespace Quorvane
