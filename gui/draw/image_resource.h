// Images kept as "GUIIMAGE" resources of a module: frame count, width and
// height (a byte each), then the pixels (see CGUIImage). Pannikel's shared
// images and the images of other modules load the same way.
#pragma once

#include "gui/draw/gui_context.h"
#include "gui/draw/gui_tables.h"

#include <windows.h>

namespace Quorvane {

// Fills slot i of the table from the module's resource id; 0 when the
// resource is missing, shorter than its header says, or cannot be built.
inline int SetImageFromResource(CGUIImage &table, long i, CGUIContext *ctx, HMODULE module, WORD id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "GUIIMAGE");
    if (!found)
        return 0;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto *bytes = static_cast<const unsigned char *>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || size < 3)
        return 0;
    const long frames = bytes[0];
    const long width = bytes[1];
    const long height = bytes[2];
    if (size - 3 < static_cast<DWORD>(frames * width * height * 4))
        return 0;
    return table.SetImage(i, ctx, frames, width, height, bytes + 3);
}

} // namespace Quorvane
