// The tests' New Song template: the template record and a track record per
// track in the stored layout of the equipment database's records, without
// outputs, buses or effects. It stands in for the database's own template
// while song files are tested on their own.
#pragma once

#include "db/songfile/song_template.h"

class TrackListTemplate : public Quorvane::ISongTemplate {
public:
    int Save(Quorvane::CSDB *db, Quorvane::CSong *song, uint32_t *templateId) override;
    int Update(Quorvane::CSDB *db, Quorvane::CSong *song, uint32_t templateId) override;
    int Load(Quorvane::CSDB *db, Quorvane::CSong *song, uint32_t templateId) override;

    int loads = 0, saves = 0, updates = 0;
};
