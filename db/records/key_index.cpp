#include "db/records/key_index.h"

#include <new>

namespace Quorvane {

bool KeyIndex::Add(SDBNOTE *note)
{
    try {
        // An id left behind by a failure below only keeps GetNewID from
        // handing it out.
        m_ids.insert(note->id);
        Entries &siblings = m_children[note->parent];
        try {
            siblings.push_back(note);
            if (note->IsLive())
                m_live.try_emplace(note->id, note);
        } catch (const std::bad_alloc &) {
            if (!siblings.empty() && siblings.back() == note)
                siblings.pop_back();
            if (siblings.empty())
                m_children.erase(note->parent);
            throw;
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    ++m_size;
    return true;
}

void KeyIndex::RemoveLast(SDBNOTE *note)
{
    auto siblings = m_children.find(note->parent);
    if (siblings != m_children.end() && !siblings->second.empty() && siblings->second.back() == note) {
        siblings->second.pop_back();
        if (siblings->second.empty())
            m_children.erase(siblings);
        --m_size;
    }
    Deleted(note);
}

void KeyIndex::Deleted(const SDBNOTE *note)
{
    auto live = m_live.find(note->id);
    if (live != m_live.end() && live->second == note)
        m_live.erase(live);
}

void KeyIndex::Replaced(const SDBNOTE *note, SDBNOTE *successor)
{
    auto live = m_live.find(note->id);
    if (live != m_live.end() && live->second == note)
        live->second = successor;
}

bool KeyIndex::Rebuild(SDBNOTE *table)
{
    m_live.clear();
    m_children.clear();
    m_ids.clear();
    m_size = 0;
    for (SDBNOTE *note = table; note; note = note->next)
        if (!Add(note))
            return false;
    return true;
}

SDBNOTE *KeyIndex::Live(uint32_t id) const
{
    const auto live = m_live.find(id);
    return live == m_live.end() ? nullptr : live->second;
}

const KeyIndex::Entries *KeyIndex::Children(uint32_t parent) const
{
    const auto children = m_children.find(parent);
    return children == m_children.end() ? nullptr : &children->second;
}

bool KeyIndex::InUse(uint32_t id) const
{
    return m_ids.count(id) != 0 || m_children.count(id) != 0;
}

SDBNOTE *FirstLiveOfType(const KeyIndex::Entries &entries, size_t from, uint8_t type)
{
    for (size_t i = from; i < entries.size(); ++i)
        if (entries[i]->IsLive() && (type == SDB_ANY_TYPE || entries[i]->type == type))
            return entries[i];
    return nullptr;
}

} // namespace Quorvane
