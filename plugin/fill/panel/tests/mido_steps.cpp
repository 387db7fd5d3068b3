// The fill editor's side of the check against mido (run by
// panel_mido_check.py): a pattern that mido wrote is dropped on the patterns
// view, listed with its tempo and played; then a kick is added in edit mode
// and the fill saved with "Save..." where the check reads it back.
// usage: panel_mido_steps <dropped.mid> <saved.mid>; prints what it saw.
#include "base/message_box.h"
#include "base/registry.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/panel/grindelvosket_panel.h"
#include "plugin/fill/panel/patterns_view.h"
#include "plugin/fill/plugin/fill_transfer.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "testing/sandbox.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <string>

using namespace Quorvane;

namespace {

int failures = 0;

void fail(const std::string &text)
{
    std::printf("FAIL %s\n", text.c_str());
    ++failures;
}

int notesPlayed(GrindelvosketMFX &drummer)
{
    int notes = 0;
    drummer.OnStart(0);
    for (LONG from = 0; from < 4 * 1920; from += 480) {
        mfx_testing::EventQueue in;
        mfx_testing::EventQueue out;
        drummer.OnEvents(from, from + 480, &in, &out);
        for (const MfxEvent &e : out.events)
            notes += e.kind == MfxNote ? 1 : 0;
    }
    return notes;
}

void click(HWND window, int x, int y)
{
    gui_test::postMouse(window, WM_MOUSEMOVE, x, y);
    gui_test::postMouse(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    gui_test::postMouse(window, WM_LBUTTONUP, x, y);
    gui_test::pump();
}

void run(const std::string &dropped, const std::string &saved, const std::string &data)
{
    gui_test::HostWindow host(40, 40, 700, 520);
    mfx_testing::HostContext context;
    auto *drummer = new GrindelvosketMFX();
    drummer->AddRef();
    if (drummer->Connect(context.context()) != S_OK)
        return fail("the drummer does not connect");
    GrindelvosketPanel *panel = GrindelvosketPanel::create(drummer);
    const SIZE size = GrindelvosketPanel::preferredSize();
    if (!panel || !panel->createView(host.handle(), RECT{0, 0, size.cx, size.cy}))
        return fail("no panel (a display is needed)");
    gui_test::pump();
    PatternsView &view = *panel->patternsView();

    // The dropped file lands in "Mine" as its first pattern.
    HWND tree = view.treeWindow();
    RECT area{};
    TreeView_GetItemRect(tree, gui_test::findTreeItem(tree, "Mine"), &area, TRUE);
    POINT at{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ClientToScreen(tree, &at);
    IDataObject *files = DrummerTransfer::createDataObject({{CF_HDROP, DrummerTransfer::fileDropList(dropped)}});
    DWORD effect = DROPEFFECT_COPY;
    view.dropTarget()->DragEnter(files, MK_CONTROL, {at.x, at.y}, &effect);
    effect = DROPEFFECT_COPY;
    view.dropTarget()->Drop(files, MK_CONTROL, {at.x, at.y}, &effect);
    files->Release();
    gui_test::pump();
    if (effect != DROPEFFECT_COPY)
        fail("the drop was refused");
    if (view.itemCount() != 1)
        fail("Mine lists " + std::to_string(view.itemCount()) + " patterns");
    else
        std::printf("listed %s tempo %s\n", view.cellText(0, 0).c_str(), view.cellText(0, 2).c_str());
    std::printf("pattern %s\\%s\n", drummer->patternFolder().c_str(), drummer->patternFile().c_str());
    std::printf("played %d\n", notesPlayed(*drummer));

    // A kick on the second beat, made louder, in edit mode.
    click(panel->handle(), 203, 77);
    Sleep(GetDoubleClickTime() + 50);
    const int beatX = 225 + 4 + 480 * 206 / 1920;
    const int laneY = 87 + 8 * 19 + 9;
    HWND window = panel->handle();
    gui_test::postMouse(window, WM_MOUSEMOVE, beatX, laneY);
    gui_test::postMouse(window, WM_LBUTTONDOWN, beatX, laneY, MK_LBUTTON);
    gui_test::postMouse(window, WM_MOUSEMOVE, beatX, laneY - 5, MK_LBUTTON);
    gui_test::postMouse(window, WM_MOUSEMOVE, beatX, laneY - 20, MK_LBUTTON);
    gui_test::postMouse(window, WM_LBUTTONUP, beatX, laneY - 20);
    gui_test::pump();
    std::printf("title %s\n", panel->fillTitle().c_str());

    // "Save..." answered with the file to read back.
    setSaveFileHook([&saved](const SaveFileRequest &, std::string &path) {
        path = saved;
        return true;
    });
    Sleep(GetDoubleClickTime() + 50);
    click(window, 215, 359);
    setSaveFileHook({});
    std::printf("saved as %s\n", drummer->patternFile().c_str());

    panel->destroyView();
    delete panel;
    drummer->Disconnect();
    drummer->Release();
    (void)data;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::printf("usage: panel_mido_steps <dropped.mid> <saved.mid>\n");
        return 2;
    }
    OleInitialize(nullptr);
    setMessageBoxHook([](HWND, const char *text, const char *caption, UINT) {
        fail(std::string("message box ") + caption + ": " + text);
        return IDCANCEL;
    });
    {
        testing_support::RegistrySandbox registry;
        testing_support::TempFolder data;
        initAppRegistry(registry.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
        std::string error;
        if (!FillContent::writeStarterLibrary(data.file("Fills"), &error))
            fail(error);
        CreateDirectoryA(data.file("Fills\\Mine").c_str(), nullptr);
        FillModule::setDataFolder(data.path());
        run(argv[1], argv[2], data.path());
    }
    setMessageBoxHook({});
    OleUninitialize();
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
