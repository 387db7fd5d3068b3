#include "plugin/framework/drums/note_names.h"

#include "plugin/framework/drums/general_midi_drums.h"
#include "plugin/framework/drums/note_names_provider.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Quorvane {

namespace {

size_t copyText(const std::string &text, char *buffer, size_t size)
{
    if (buffer && size > 0) {
        const size_t count = std::min(text.size(), size - 1);
        std::memcpy(buffer, text.data(), count);
        buffer[count] = '\0';
    }
    return text.size();
}

const std::string &emptyText()
{
    static const std::string empty;
    return empty;
}

} // namespace

NoteNames::NoteNames()
{
    reset();
}

NoteNames::NoteNames(const NoteNames &other)
{
    reset();
    assign(other);
}

NoteNames &NoteNames::operator=(const NoteNames &other)
{
    assign(other);
    return *this;
}

NoteNames::~NoteNames() = default;

void NoteNames::reset()
{
    for (std::string &name : names_)
        name.clear();
    std::memset(unnamed_, 1, sizeof(unnamed_));
    drum_ = 0;
}

void NoteNames::assign(const NoteNames &other)
{
    if (&other == this)
        return;
    name_ = other.name_;
    std::copy(std::begin(other.names_), std::end(other.names_), std::begin(names_));
    std::memcpy(unnamed_, other.unnamed_, sizeof(unnamed_));
    drum_ = other.drum_;
}

void NoteNames::setNoteName(int n, const std::string &name)
{
    if (!isNote(n))
        return;
    names_[n] = name;
    unnamed_[n] = 0;
}

void NoteNames::setNoteText(int n, const std::string &text)
{
    if (isNote(n))
        names_[n] = text;
}

void NoteNames::setName(const std::string &name)
{
    name_ = name;
}

std::string NoteNames::getNoteName(int n) const
{
    return isNamed(n) ? names_[n] : std::string();
}

std::string NoteNames::getNoteNameOrDefault(int n) const
{
    if (!isNote(n))
        return std::string();
    if (unnamed_[n] && names_[n].empty())
        return defaultNoteName(n);
    return names_[n];
}

size_t NoteNames::copyNoteNameTo(int n, char *buffer, size_t size) const
{
    return copyText(getNoteName(n), buffer, size);
}

size_t NoteNames::copyNoteNameOrDefaultTo(int n, char *buffer, size_t size) const
{
    return copyText(getNoteNameOrDefault(n), buffer, size);
}

size_t NoteNames::copyNameTo(char *buffer, size_t size) const
{
    return copyText(name_, buffer, size);
}

bool NoteNames::load(InputStream &in, const NoteNamesProvider &provider)
{
    std::string name;
    if (!in.read(name))
        return false;
    provider.findSet(name, this);
    return true;
}

bool NoteNames::save(OutputStream &out) const
{
    return out.write(name_);
}

const std::string &NoteNames::defaultNoteName(int n)
{
    // Built once on first use; the names never change.
    static const std::array<std::string, kNoteCount> names = [] {
        static const char *const letters[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                "F#", "G",  "G#", "A",  "A#", "B"};
        std::array<std::string, kNoteCount> built;
        for (int note = 0; note < kNoteCount; ++note)
            built[note] = letters[note % 12] + std::to_string(note / 12);
        return built;
    }();
    return isNote(n) ? names[n] : emptyText();
}

std::string NoteNames::drumNoteName(int n)
{
    if (const char *drum = generalMidiDrumName(n))
        return drum;
    return defaultNoteName(n);
}

} // namespace Quorvane
