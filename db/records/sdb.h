// The record file: typed records (notes) with ids and parent ids in one flat
// file, changes kept pending in the file until a commit or a discard compacts
// it, a key table in memory for every look-up, and the file's named mutex.
//
// A commit or a discard is atomic: the bytes the compaction overwrites are
// first saved in a rollback journal beside the file, so a process killed or a
// write failing at any point leaves the records of before or of after. An open
// for writing plays back a whole journal it finds and discards pending
// records that a dead process left, so no later commit makes half-done
// changes permanent. An open for reading never writes: it leaves pending
// records out of its key table, and refuses a file whose journal would have
// to be played back. An open that fails leaves the file as it is.
#pragma once

#include "db/records/dbuid.h"
#include "db/records/sdb_note.h"
#include "db/records/xfile.h"
#include "db/records/xlock.h"
#include "db/stavrund_api.h"

#include <cstdint>

namespace Quorvane {

class KeyIndex;
struct ScanPiece;

class STAVRUND_API CSDB {
public:
    // State flags.
    static constexpr uint32_t Modified = 1; // pending records exist in the file
    static constexpr uint32_t Editable = 2; // opened for writing

    CSDB();
    CSDB(const CSDB &) = default;
    CSDB &operator=(const CSDB &) = default;
    // Closes without commit: pending changes are discarded.
    virtual ~CSDB();

    // Opens an existing file whose first u32 is `magic`; fails while any
    // process (this one included) has the file open, and for a damaged file
    // (a record that does not fit, or two records with one id).
    int Open(const char *name, uint32_t magic, int writable);
    // Creates a new file with a new id; fails when the file exists.
    int Create(const char *name, uint32_t magic);
    // Commits and reopens (no name, or the file's own name), or copies the
    // live records to a new file and continues on that one.
    int Save(const char *name);
    // Commits (or discards) pending changes and closes; answers the result of
    // that compaction.
    int Close(int commit);
    // Gives the open file a new id.
    int UpdateDBUID();
    // Rebuilds the key table from the file.
    int Refresh();

    const DBUID &GetDataBaseUID() const { return m_uid; }
    const char *GetFileName() const { return m_fileName; }
    int IsOpened() const { return m_file.IsOpened(); }
    int IsModified() const { return (m_state & Modified) != 0; }
    int IsEditable() const { return (m_state & Editable) != 0; }
    int IsSignaled() const { return m_signaled; }
    // Whether the last Open failed because the file is damaged (no whole
    // head of the kind asked for, or records that cannot stand as they
    // are), not because it is missing or held.
    bool RefusedAsDamaged() const { return m_refusedAsDamaged; }
    // Whether the last Open, for reading, failed because a commit's journal
    // must first be played back (which only an open for writing does).
    bool RefusedForJournal() const { return m_refusedForJournal; }
    // Why the last Open or Create failed when the file was not refused as
    // damaged or for its journal: the system's error code (the file missing
    // or held by another process, a read that failed, memory that ran out);
    // 0 after one that worked. Such a file may hold every record whole.
    uint32_t OpenError() const { return m_openError; }
    CXFile *GetXFile() { return &m_file; }
    void SetSignalCallback(void (*callback)(CSDB *)) { m_callback = callback; }

    // Takes the file's mutex and clears the signal flag.
    void Lock();
    // Releases the mutex; then, when something was written while it was held
    // and a callback is set, calls it.
    void Unlock();

    // Look-ups skip deleted records; SDB_ANY_TYPE matches every type.
    SDBNOTE *GetFirstNote(uint32_t parent, uint8_t type);
    SDBNOTE *GetNextNote(const SDBNOTE *note, uint8_t type);
    SDBNOTE *GetNoteByType(const SDBNOTE *after, uint8_t type);
    SDBNOTE *GetNoteByID(uint32_t id);

    // Copies the entry and reads the body into a new block (malloc; null for
    // size 0) that the caller frees.
    int ReadNote(uint32_t id, SDBNOTE *header, void **body);
    // Reads the live record of the codec's id and type through the codec.
    int ReadNote(CSDBInterpretator *codec);
    // Seeks the data file to the record's body and hands it out, so that the
    // caller decodes the body itself; reads of lengths stop at the body's end.
    int PrepareReadNote(const SDBNOTE *note, CXFile **file, uint32_t *size);
    int PrepareReadNote(uint32_t id, CXFile **file, uint32_t *size);

    // Appends a pending record with a new id (written back into the header
    // or the codec).
    int AddNewNote(SDBNOTE *header, const void *body);
    int AddNewNote(CSDBInterpretator *codec);
    // Appends a new version of a record and marks the old one deleted.
    int ChangeNote(SDBNOTE *header, const void *body);
    int ChangeNote(CSDBInterpretator *codec);
    // Marks a record and all its descendants deleted.
    int DeleteNoteByID(uint32_t id);
    int DeleteAll();

    // With a null cursor: the bytes a copy of the record and its descendants
    // needs. Else writes the copy at the cursor, advances it and answers the
    // number of records written.
    uint32_t GetNotesBranch(const SDBNOTE *note, unsigned char **cursor);
    // Appends the `count` records of a copy below `parent`, with new ids.
    int InsertNotesBranch(uint32_t parent, uint32_t &count, unsigned char **cursor, uint32_t &firstId);

protected:
    int Commit() { return ProcessFile(SDB_DELETED); }
    int Discard() { return ProcessFile(SDB_ADDED); }
    void SignalModified() { m_signaled = 1; }
    // Notes why an open failed (the first reason noted stands); answers 0.
    int OpenFailed(uint32_t error);
    void Clear();
    void ClearKeyTable();
    int RefreshKeyTable();
    // Compacts the file: drops the records whose flags share a bit with
    // `mode` and commits the others. A failure rolls the file back and keeps
    // the pending changes.
    int ProcessFile(uint8_t mode);
    int DeleteNoteByParentID(uint32_t parent);
    int GetNewID(uint32_t &id);
    int AddToKeyTable(const SDBNOTE &note);

private:
    enum class Scan { Clean, TornAddition, Damaged, Unreadable };

    int ClaimFile(const char *name, bool newId);
    int ReadHead(uint32_t magic);
    int Recover(bool writable);
    Scan BuildKeyTable(const ScanPiece *pieces, int count, bool inMemory, uint32_t *tornAt);
    Scan ScanFile(bool inMemory, uint32_t *tornAt);
    bool RebuildIndex();
    int Compact(uint8_t mode);
    void ApplyCompaction(uint8_t mode);
    void LoseFile();
    bool IdInUse(uint32_t id) const;
    void RemoveLastEntry();
    int AppendRecord(SDBNOTE &note, const void *body, CSDBInterpretator *codec);
    int AddRecord(SDBNOTE &note, const void *body, CSDBInterpretator *codec);
    int ReplaceRecord(SDBNOTE *old, SDBNOTE &fresh, const void *body, CSDBInterpretator *codec);
    int MarkDeleted(SDBNOTE *note, SDBNOTE *successor = nullptr);
    int SaveAs(const char *name);

    uint32_t m_state = 0;
    DBUID m_uid;
    uint32_t m_magic = 0;
    uint32_t m_nextId = 0;
    char m_fileName[MAX_PATH] = {};
    CXFile m_file;
    CXLock m_lock;
    // The mutex of the id that UpdateDBUID last wrote, held until the close.
    CXLock m_newIdLock;
    int m_signaled = 0;
    bool m_refusedAsDamaged = false;
    bool m_refusedForJournal = false;
    uint32_t m_openError = 0;
    void (*m_callback)(CSDB *) = nullptr;
    SDBNOTE *m_notes = nullptr;
    SDBNOTE *m_lastNote = nullptr;
    // Look-ups by id and by parent over the key table (null while it is empty).
    KeyIndex *m_index = nullptr;
};

} // namespace Quorvane
