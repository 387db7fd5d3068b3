#include "synth/preview/preview_editor_kit.h"

#include "gui/draw/gui_context.h"
#include "gui/draw/image_resource.h"
#include "synth/preview/preview_resources.h"

namespace Quorvane {

namespace {

PreviewEditorKit kit;
bool started = false;

bool buildImages(HMODULE module)
{
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc)
        return false;
    bool built;
    {
        CGUIContext desktopContext(dc);
        built =
            kit.images.Init(1) && SetImageFromResource(kit.images, 0, &desktopContext, module, kEditorImages);
    }
    ReleaseDC(desktop, dc);
    return built;
}

} // namespace

bool StartPreviewEditorKit(HMODULE module)
{
    if (!buildImages(module))
        return false;
    kit.arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    kit.drag = static_cast<HCURSOR>(
        LoadImageA(module, MAKEINTRESOURCEA(kDragCursor), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    if (!kit.arrow || !kit.drag)
        return false;
    kit.module = module;
    started = true;
    return true;
}

void StopPreviewEditorKit()
{
    started = false;
    if (kit.drag)
        DestroyCursor(kit.drag);
    kit.drag = nullptr;
    kit.arrow = nullptr;
    kit.module = nullptr;
    kit.images.Init(0);
}

PreviewEditorKit *EditorKit()
{
    return started ? &kit : nullptr;
}

} // namespace Quorvane
