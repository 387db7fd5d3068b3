// What a song file asks of the New Song template that holds the song's
// set-up (tracks, outputs, buses, effects and SysEx): the equipment
// database's template records do that work, over the song file's records.
#pragma once

#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CSDB;
class CSong;

class STAVRUND_API ISongTemplate {
public:
    virtual ~ISongTemplate() = default;
    // Appends a top-level New Song template of the song with a track record
    // per track; each track keeps its record's id. The caller holds the lock.
    virtual int Save(CSDB *db, CSong *song, uint32_t *templateId) = 0;
    // Brings an existing template in line with the song: tracks with a
    // record id have their records replaced, the others get new ones.
    virtual int Update(CSDB *db, CSong *song, uint32_t templateId) = 0;
    // Loads the template into the song (the song is cleared first).
    virtual int Load(CSDB *db, CSong *song, uint32_t templateId) = 0;
};

} // namespace Quorvane
