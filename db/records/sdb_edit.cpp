// Pending changes: appends, replacements and deletions written into the file
// at once and kept in the key table.
#include "db/records/sdb.h"

#include "db/records/branch_walk.h"
#include "db/records/key_index.h"
#include "db/records/record_scan.h"

namespace Quorvane {

// Writes `note` (type, id, parent and size set) as a pending addition at
// the end of the file and enters it in the key table; on failure the file is
// cut back to where it ended.
int CSDB::AppendRecord(SDBNOTE &note, const void *body, CSDBInterpretator *codec)
{
    uint32_t position;
    if (!m_file.SeekToEnd(&position) || uint64_t(position) + SDB_HEADER_SIZE + note.size > 0xFFFFFFFF)
        return 0;
    note.flags = SDB_ADDED;
    note.position = position;
    unsigned char header[SDB_HEADER_SIZE];
    EncodeRecordHeader(note, header);
    bool written = m_file.Write(header, SDB_HEADER_SIZE);
    if (written && note.size > 0) {
        uint32_t bodyEnd = 0;
        if (codec)
            written = codec->Write(&m_file) && m_file.GetCurrentPos(&bodyEnd) &&
                      bodyEnd == position + SDB_HEADER_SIZE + note.size;
        else
            written = body && m_file.Write(body, note.size);
    }
    if (!written || !AddToKeyTable(note)) {
        m_file.SeekToPos(position);
        m_file.SetEOF();
        return 0;
    }
    return 1;
}

namespace {

// The header of the record a codec writes (type, parent and size).
SDBNOTE headerOf(CSDBInterpretator *codec)
{
    SDBNOTE note;
    note.type = codec->type;
    note.parent = codec->parent;
    note.size = codec->GetSize();
    return note;
}

} // namespace

// Appends `note` with a new id below its parent, which must be live.
int CSDB::AddRecord(SDBNOTE &note, const void *body, CSDBInterpretator *codec)
{
    if (!IsEditable() || (note.parent != SDB_NO_PARENT && !GetNoteByID(note.parent)) || !GetNewID(note.id) ||
        !AppendRecord(note, body, codec))
        return 0;
    m_state |= Modified;
    SignalModified();
    return 1;
}

int CSDB::AddNewNote(SDBNOTE *header, const void *body)
{
    SDBNOTE note = header ? *header : SDBNOTE();
    if (!header || !AddRecord(note, body, nullptr))
        return 0;
    header->id = note.id;
    return 1;
}

int CSDB::AddNewNote(CSDBInterpretator *codec)
{
    SDBNOTE note = codec ? headerOf(codec) : SDBNOTE();
    if (!codec || !AddRecord(note, nullptr, codec))
        return 0;
    codec->id = note.id;
    return 1;
}

// Marks a live record deleted; `successor`, its new version, becomes the
// live record of its id.
int CSDB::MarkDeleted(SDBNOTE *note, SDBNOTE *successor)
{
    const uint8_t flags = note->flags | SDB_DELETED;
    if (!m_file.SeekToPos(note->position) || !m_file.Write8(&flags))
        return 0;
    note->flags = flags;
    if (successor)
        m_index->Replaced(note, successor);
    else
        m_index->Deleted(note);
    m_state |= Modified;
    SignalModified();
    return 1;
}

// Appends `fresh` as the new version of `old`, then marks `old` deleted; on
// failure the new version is taken out again.
int CSDB::ReplaceRecord(SDBNOTE *old, SDBNOTE &fresh, const void *body, CSDBInterpretator *codec)
{
    fresh.id = old->id;
    if (!AppendRecord(fresh, body, codec))
        return 0;
    if (!MarkDeleted(old, m_lastNote)) {
        RemoveLastEntry();
        m_file.SeekToPos(fresh.position);
        m_file.SetEOF();
        return 0;
    }
    return 1;
}

int CSDB::ChangeNote(SDBNOTE *header, const void *body)
{
    SDBNOTE *old = header && IsEditable() ? GetNoteByID(header->id) : nullptr;
    if (!old)
        return 0;
    SDBNOTE fresh = *header;
    return ReplaceRecord(old, fresh, body, nullptr);
}

int CSDB::ChangeNote(CSDBInterpretator *codec)
{
    SDBNOTE *old = codec && IsEditable() ? GetNoteByID(codec->id) : nullptr;
    if (!old || old->type != codec->type)
        return 0;
    SDBNOTE fresh = headerOf(codec);
    return ReplaceRecord(old, fresh, nullptr, codec);
}

int CSDB::DeleteNoteByParentID(uint32_t parent)
{
    return WalkBranch(m_index, parent, [this](SDBNOTE *note) { return MarkDeleted(note) != 0; }) ? 1 : 0;
}

int CSDB::DeleteNoteByID(uint32_t id)
{
    SDBNOTE *note = IsEditable() ? GetNoteByID(id) : nullptr;
    return note && MarkDeleted(note) && DeleteNoteByParentID(id);
}

int CSDB::DeleteAll()
{
    for (SDBNOTE *note = m_notes; note; note = note->next)
        if (note->IsLive() && !DeleteNoteByID(note->id))
            return 0;
    return 1;
}

} // namespace Quorvane
