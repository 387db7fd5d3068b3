// One named set of 128 note names, as the editors show them and the
// stand-alone program asks for them.
#pragma once

#include "base/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Quorvane {

class NoteNamesProvider;

class NoteNames {
public:
    static constexpr int kNoteCount = 128;

    NoteNames();
    NoteNames(const NoteNames &other);
    NoteNames &operator=(const NoteNames &other);
    virtual ~NoteNames();

    // Every note unnamed and its name empty; the set name stays.
    void reset();
    void assign(const NoteNames &other);

    // Names note n and marks it named; notes outside 0..127 are ignored.
    void setNoteName(int n, const std::string &name);
    void setName(const std::string &name);

    // The name of a named note; empty for an unnamed note or one outside
    // 0..127.
    std::string getNoteName(int n) const;
    // The stored name, or the default name for an unnamed note without
    // text; empty outside 0..127.
    std::string getNoteNameOrDefault(int n) const;
    const std::string &getName() const { return name_; }
    bool isNamed(int n) const { return isNote(n) && !unnamed_[n]; }

    // The same into a caller's buffer: at most size - 1 bytes and a zero;
    // each answers the full length of the text.
    size_t copyNoteNameTo(int n, char *buffer, size_t size) const;
    size_t copyNoteNameOrDefaultTo(int n, char *buffer, size_t size) const;
    size_t copyNameTo(char *buffer, size_t size) const;

    // Set imported from a host drum module.
    bool isDrumSet() const { return drum_ != 0; }

    // The selection block of a plug-in's state: the set name only. Loading
    // fills this set from the provider's set of that name; false when the
    // name could not be read (the set then stays as it was).
    bool load(InputStream &in, const NoteNamesProvider &provider);
    bool save(OutputStream &out) const;

    // "C5" for note 60: letter and octave; empty outside 0..127.
    static const std::string &defaultNoteName(int n);
    // The General MIDI drum name of notes 35..81, else the default name.
    static std::string drumNoteName(int n);

    // Reads a note-name text file: lines of a note number, a gap of blanks,
    // tabs or ':' and the name. Answers whether the stream gave any bytes.
    bool parseTextFile(InputStream &in);

private:
    friend class NoteNamesProvider;
    static bool isNote(int n) { return n >= 0 && n < kNoteCount; }
    // Stores text for note n without marking it named.
    void setNoteText(int n, const std::string &text);

    std::string names_[kNoteCount];
    uint8_t unnamed_[kNoteCount];
    std::string name_;
    uint8_t drum_ = 0;
};

} // namespace Quorvane
