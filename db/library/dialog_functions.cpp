// The exported functions that run the database's chooser dialogs and read
// and write song record files.
#include "data/song.h"
#include "db/dialogs/choosers.h"
#include "db/dialogs/equipment_tree.h"
#include "db/library/library_state.h"
#include "db/library/stavrund_functions.h"
#include "db/songfile/song_db.h"

using namespace Quorvane;

int CDBOpenSong(CSong *song, const char *file, uint32_t version, const char *tag, CStorage *appData)
{
    if (!StavrundDatabase() || !song)
        return 0;
    CTembriSongDB songFile(song, version, tag);
    return songFile.OpenSong(file, appData);
}

int CDBSaveSong(CSong *song, const char *file, uint32_t version, const char *tag, CStorage *appData)
{
    if (!StavrundDatabase() || !song)
        return 0;
    CTembriSongDB songFile(song, version, tag);
    return songFile.SaveSong(file, appData);
}

namespace Quorvane {

namespace {

int ChooseFromTree(int mode, PORTDESCR *descriptor, IQuorvaneSongTract *tract)
{
    CTembriDB *db = StavrundDatabase();
    if (!db || !descriptor)
        return 0;
    return RunEquipmentTree(StavrundResources(), db, mode, descriptor, tract) == IDOK;
}

} // namespace

int CDBChooseOut(PORTDESCR *descriptor, IQuorvaneSongTract *tract)
{
    return ChooseFromTree(TREE_OUTPUTS, descriptor, tract);
}

int CDBChooseAEff(PORTDESCR *descriptor)
{
    return ChooseFromTree(TREE_AUDIO_EFFECTS, descriptor, nullptr);
}

int CDBChooseMEff(PORTDESCR *descriptor)
{
    return ChooseFromTree(TREE_MIDI_EFFECTS, descriptor, nullptr);
}

void CDBChoosePreset(uint32_t portId, void *item, IQuorvaneSongTract *tract, const char *itemName,
                     void *parent)
{
    if (CTembriDB *db = StavrundDatabase())
        RunPresetChooser(StavrundResources(), db, portId, item, tract, itemName, static_cast<HWND>(parent));
}

void CDBSetNewSongCheck(NewSongTracksCheck check, void *user)
{
    SetNewSongTracksCheck(check, user);
}

int CDBChooseTemplate(uint32_t type, CSong *song, int (*callback)(uint32_t), uint32_t argument, void **data,
                      uint32_t *size)
{
    CTembriDB *db = StavrundDatabase();
    if (!db)
        return 0;
    return RunTemplateChooser(StavrundResources(), db, type, song, callback, argument, data, size) == IDOK;
}

} // namespace Quorvane
