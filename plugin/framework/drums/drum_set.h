// Which of the engine's nine instrument slots each note plays, and which
// notes the user has enabled.
#pragma once

#include <cstdint>
#include <string>

class DrumSet {
public:
    static constexpr int kNoteCount = 128;
    static constexpr int kInstrumentCount = 9;

    DrumSet();
    virtual ~DrumSet();

    // No instruments, every note enabled, no name; then the standard kit
    // notes on slots 1..9.
    void setDefaults();

    // Slot 1..9 of a note, 0 for none (and for notes outside 0..127).
    int instrument(int note) const;
    // Slot clamped to 0..9; notes outside 0..127 are ignored.
    void setInstrument(int note, int slot);
    // The enabled byte of a note; 0 outside 0..127.
    int noteFlag(int note) const;
    void setNoteFlag(int note, int flag);

    const std::string &getName() const { return name_; }
    void setName(const std::string &name) { name_ = name; }

private:
    static bool isNote(int note) { return note >= 0 && note < kNoteCount; }

    uint8_t instruments_[kNoteCount];
    uint8_t flags_[kNoteCount];
    std::string name_;
};
