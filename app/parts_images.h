// The parts list's pictures and the name column grip's cursor, from the
// program's resources: "GUIIMAGE" 132 (the playing part's mark and the
// output chooser's arrow) and 141 (the copy, drag, metronome, play, stop
// and loop buttons), each a header of three ints (frames, width, height)
// before the kit's pixels.
#pragma once

#include "gui/draw/gui_tables.h"

#include <windows.h>

namespace Quorvane {

class CGUIContext;

// Frames of the marks image.
enum PartsMark : long { kMarkPlaying = 0, kMarkChooser = 1 };
// Frames of the buttons image.
enum PartsButton : long {
    kButtonCopy = 0,
    kButtonDrag = 1,
    kButtonMetronome = 2,
    kButtonPlay = 3,
    kButtonStop = 4,
    kButtonLoop = 5
};

// Fills slot i of the table from a program resource of that layout; false
// when it is missing, shorter than its header says, or cannot be built.
bool SetImageFromProgramResource(CGUIImage &table, long i, CGUIContext *ctx, HMODULE module, WORD id);

class PartsImages {
public:
    // Slots of the table.
    static constexpr long kMarks = 0;
    static constexpr long kButtons = 1;

    ~PartsImages();
    // False when a picture or the cursor is missing.
    bool Load(HMODULE module);
    bool Loaded() const { return loaded_; }
    CGUIImage &Table() { return table_; }
    HCURSOR ResizeCursor() const { return resizeCursor_; }

private:
    CGUIImage table_;
    HCURSOR resizeCursor_ = nullptr;
    bool loaded_ = false;
};

} // namespace Quorvane
