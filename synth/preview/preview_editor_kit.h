// What the preview synthesizer's editor takes from its module once, when
// the module is loaded: the module whose dialog it shows, its pictures and
// its cursors.
#pragma once

#include "gui/draw/gui_tables.h"

#include <windows.h>

namespace Quorvane {

// Frames of the editor's image set (resource kEditorImages).
enum : long { EDITOR_IMAGE_DRUMS = 0, EDITOR_IMAGE_CHORD = 1, EDITOR_IMAGE_CLICKS = 2 };

struct PreviewEditorKit {
    HMODULE module = nullptr;
    CGUIImage images; // one slot, the frames above
    HCURSOR arrow = nullptr;
    HCURSOR drag = nullptr; // shown while the click level is dragged
};

// Builds the image set on the desktop's drawing context and loads the
// cursors from module; false (and no kit) when the image set or a cursor
// cannot be had.
bool StartPreviewEditorKit(HMODULE module);
void StopPreviewEditorKit();

// The kit once started; null before (or after a failed start).
PreviewEditorKit *EditorKit();

} // namespace Quorvane
