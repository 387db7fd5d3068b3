// A song stored as a record file of its own ("TSNG"): the song's set-up as a
// New Song template, its texts, each track's events, melody text and audio,
// and an application record. Saving into the file the song came from (or
// was last saved to) updates it in place; any other file is rewritten. Every
// write stays pending until the final commit, so a failed save leaves the
// file as it was.
#pragma once

#include "db/equipment/tembri_db.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class CSong;
class CStorage;
class CTrack;

// A record file with the equipment database's record kinds, so that the
// song's set-up is stored and loaded by its New Song template.
class STAVRUND_API CTembriSongDB : public CTembriDB {
public:
    // The tag selects the application record (null: none).
    CTembriSongDB(CSong *song, uint32_t version, const char *tag);
    CTembriSongDB(const CTembriSongDB &) = delete;
    CTembriSongDB &operator=(const CTembriSongDB &) = delete;
    ~CTembriSongDB() override;

    // Reads the file into the song; appData (may be null) receives the
    // application's blob when the application record carries our tag. A
    // file a save left unfinished gets the song of before that save back
    // only when that song reads; without write access the user is told.
    // A song that does not read leaves the file (and its journal) as it is.
    int OpenSong(const char *file, CStorage *appData);
    // Writes the song; appData (may be null) is the application's blob.
    int SaveSong(const char *file, CStorage *appData);

protected:
    // The full and the incremental write; the lock is held.
    int SaveNewSong(CStorage *appData);
    int UpdateSong(CStorage *appData);

private:
    int ReadSong(CStorage *appData);
    // Reads the song of the file this database has open, and closes it.
    int ReadOpenSong(CStorage *appData);
    int OpenThroughJournal(const char *file, CStorage *appData);
    int RootMatches();
    int WriteRoot();
    int WriteInfo();
    int WriteApp(CStorage *appData);
    int WriteTrack(CTrack *track, bool storedBefore);
    int ReadTrack(CTrack *track);
    int ReadInfo();
    void ReadApp(CStorage *appData);
    // The record that stands for a codec: replaced when `existing` is given,
    // else appended.
    int Store(CSDBInterpretator *codec, const SDBNOTE *existing);
    // Gives each track the id of its record below the template.
    int BindTrackRecords(uint32_t templateId);

    CSong *m_song;
    char *m_tag;
};

} // namespace Quorvane
