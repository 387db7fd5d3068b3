// The names an output's instrument offers (banks, programs, controllers and
// note names per program and channel), asked of the module once and kept
// sorted, so editors' questions never reach the module.
#pragma once

#include "sound/soft_synth.h"

#include <string>
#include <vector>

namespace Quorvane {

struct SSENUMITEM {
    int value = -1;
    std::string name;
};

// Items sorted by value; notes also carry the program and channel (-1: any
// channel) they are valid for.
struct SSENUMBLOCK {
    int program = -1;
    int channel = -1;
    std::vector<SSENUMITEM> items;
};

struct SSENUMBANK {
    int number = -1;
    std::string name;
    bool named = false;
    SSENUMBLOCK programs;
    // In order of program, then channel.
    std::vector<SSENUMBLOCK> notes;
};

// Every text goes into a caller's buffer of kSoundNameSize bytes, cut there
// and always terminated; each lookup answers 1 when it wrote a name.
class CSSynthEnum {
public:
    CSSynthEnum() = default;
    CSSynthEnum(const CSSynthEnum &) = delete;
    CSSynthEnum &operator=(const CSSynthEnum &) = delete;

    // Asks the module (null: nothing is cached).
    void Init(IZQSSExEnum *names);
    void Clear();

    int IsBanksEnumed() const { return banksEnumerated; }
    int IsNotesEnumed(long channel, long bank, long program) const;
    int GetBankAt(long index, char *name, long &number) const;
    int StringBank(char *name, long bank) const;
    int StringProg(char *name, long bank, long program) const;
    int StringCtrl(char *name, long controller) const;
    int StringNote(char *name, long channel, long bank, long program, long note) const;

private:
    void addNoteBlocks(IZQSSExEnum *names, SSENUMBANK &bank, int program);
    const SSENUMBANK *findBank(long number) const;
    const SSENUMBLOCK *findNoteBlock(long channel, long bank, long program) const;

    SSENUMBLOCK controllers;
    std::vector<SSENUMBANK> banks;
    int banksEnumerated = 0;
    int notesEnumerated = 0;
};

// Copies text into a name buffer of kSoundNameSize bytes, cut and
// terminated; an empty text for null.
void CopySoundName(char *out, const char *text);

} // namespace Quorvane
