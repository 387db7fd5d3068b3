#include "app/parts_images.h"

#include "app/resource_ids.h"
#include "gui/draw/gui_context.h"

#include <cstdint>
#include <cstring>

namespace Quorvane {

bool SetImageFromProgramResource(CGUIImage &table, long i, CGUIContext *ctx, HMODULE module, WORD id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "GUIIMAGE");
    if (!found)
        return false;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto *bytes = static_cast<const unsigned char *>(loaded ? LockResource(loaded) : nullptr);
    constexpr DWORD kHeader = 3 * sizeof(int32_t);
    if (!bytes || size < kHeader)
        return false;
    int32_t header[3];
    std::memcpy(header, bytes, kHeader);
    const int32_t frames = header[0], width = header[1], height = header[2];
    // Bounds the kit takes; they also keep the product below from overflowing.
    if (frames <= 0 || width <= 0 || height <= 0 || frames > 255 || width > 255 || height > 255)
        return false;
    if (size - kHeader < static_cast<DWORD>(frames * width * height * 4))
        return false;
    return table.SetImage(i, ctx, frames, width, height, bytes + kHeader) != 0;
}

PartsImages::~PartsImages()
{
    if (resizeCursor_)
        DestroyCursor(resizeCursor_);
}

bool PartsImages::Load(HMODULE module)
{
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc)
        return false;
    {
        CGUIContext desktopContext(dc);
        loaded_ = table_.Init(2) &&
                  SetImageFromProgramResource(table_, kMarks, &desktopContext, module, IDG_PARTS_MARKS) &&
                  SetImageFromProgramResource(table_, kButtons, &desktopContext, module, IDG_PARTS_BUTTONS);
    }
    ReleaseDC(desktop, dc);
    if (!resizeCursor_)
        resizeCursor_ = static_cast<HCURSOR>(
            LoadImageA(module, MAKEINTRESOURCEA(IDC_RESIZE_COLUMN), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    return loaded_ && resizeCursor_;
}

} // namespace Quorvane
