// The fill editor end to end, as a host shows it: a copy of Grindelvosket.dll
// and of the starter library in this test's own folder, registered; a
// drummer created by class id and connected to the test host opens its
// property page in the system's property frame, driven from a timer by
// posted mouse messages. A pattern is chosen in the list, a kick is added in
// edit mode and made louder; the host hears it, and the saved state plays the
// same in a fresh drummer. The module's settings go to a private key, and
// its registration is put back afterwards.
#include "base/registry.h"
#include "base/string_stream.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/panel/grindelvosket_panel.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/framework/mfx/testing/mfx_test_host.h"
#include "plugin/framework/plugin/tests/module_copy.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <filesystem>
#include <functional>

namespace {

using namespace Quorvane;

using drummer_testing::classOf;

[[maybe_unused]] ::testing::Environment *const environment = drummer_testing::addModuleCopyEnvironment(
    {"Grindelvosket.dll", "Fills", &CLSID_GrindelvosketMFX, &CLSID_GrindelvosketPropertyPage,
     [](const std::string &folder) {
         // This program's own engine and panel read the same copy.
         initAppRegistry("GrindelvosketPageReference", nullptr, DLL_PROCESS_ATTACH, "3");
         FillModule::setDataFolder(folder);
     }});

// ---- The page, driven from the frame's timer

struct Page {
    HWND frame = nullptr;
    HWND panel = nullptr;
    HWND tree = nullptr;
    HWND list = nullptr;
    RECT client{};
    std::vector<std::function<void(Page &)>> steps;
    // The step to run at the next tick; a step that is not due yet steps
    // this back.
    size_t next = 0;
    DWORD lastPress = 0;
    std::vector<std::string> states;
    testing_support::WindowPicture chosen;
    testing_support::WindowPicture edited;
    int windowsInside = 0;
};
Page *page = nullptr;

BOOL CALLBACK findParts(HWND window, LPARAM data)
{
    auto &p = *reinterpret_cast<Page *>(data);
    ++p.windowsInside;
    const std::string name = classOf(window);
    const bool ours =
        name.rfind("QuorvaneWindow.", 0) == 0 &&
        reinterpret_cast<HMODULE>(GetClassLongPtrA(window, GCLP_HMODULE)) == drummer_testing::copiedModule();
    if (ours && classOf(GetParent(window)).rfind("QuorvaneWindow.", 0) != 0)
        p.panel = window;
    if (name == "SysTreeView32")
        p.tree = window;
    if (name == "SysListView32")
        p.list = window;
    return TRUE;
}

void click(HWND window, int x, int y)
{
    gui_test::postMouse(window, WM_MOUSEMOVE, x, y);
    gui_test::postMouse(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    gui_test::postMouse(window, WM_LBUTTONUP, x, y);
}

void CALLBACK driveFrame(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!page->frame) {
        page->frame = drummer_testing::findPropertyFrame();
        if (!page->frame)
            return;
        EnumChildWindows(page->frame, findParts, reinterpret_cast<LPARAM>(page));
        if (!page->panel || !page->tree || !page->list) {
            PostMessageA(page->frame, WM_COMMAND, IDCANCEL, 0);
            KillTimer(nullptr, timer);
            return;
        }
        GetClientRect(page->panel, &page->client);
    }
    if (page->next < page->steps.size())
        page->steps[page->next++](*page);
    else
        KillTimer(nullptr, timer);
}

// ---- Reading the drummer

std::string saveState(IPersistStream *persist)
{
    IStream *stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    std::string bytes;
    if (SUCCEEDED(persist->Save(stream, TRUE))) {
        ULARGE_INTEGER end{};
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
        HGLOBAL global = nullptr;
        GetHGlobalFromStream(stream, &global);
        bytes.assign(static_cast<const char *>(GlobalLock(global)), static_cast<size_t>(end.QuadPart));
        GlobalUnlock(global);
    }
    stream->Release();
    return bytes;
}

HRESULT loadState(IPersistStream *persist, const std::string &bytes)
{
    IStream *stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    const HRESULT result = persist->Load(stream);
    stream->Release();
    return result;
}

// The events a drummer plays over the first bars of the song.
std::vector<std::tuple<int32_t, int, int>> play(IMfxEventFilter *filter)
{
    std::vector<std::tuple<int32_t, int, int>> notes;
    EXPECT_EQ(filter->OnStart(0), S_OK);
    for (LONG from = 0; from < 4 * 1920; from += 480) {
        mfx_testing::EventQueue in;
        mfx_testing::EventQueue out;
        EXPECT_EQ(filter->OnEvents(from, from + 480, &in, &out), S_OK);
        for (const MfxEvent &e : out.events)
            if (e.kind == MfxNote)
                notes.push_back({e.time, e.note, e.velocity});
    }
    return notes;
}

// A panel of this program over a drummer in the given state: what the page
// must show. Its picture, and its fill title.
testing_support::WindowPicture referencePicture(const std::string &state, std::string &title)
{
    gui_test::HostWindow host(60, 60, 700, 520);
    auto *drummer = new GrindelvosketMFX();
    drummer->AddRef();
    mfx_testing::HostContext context;
    EXPECT_EQ(drummer->Connect(context.context()), S_OK);
    std::string bytes = state;
    stringStream in(bytes);
    EXPECT_TRUE(drummer->Grindelvosket::loadState(in));
    GrindelvosketPanel *panel = GrindelvosketPanel::create(drummer);
    const SIZE size = GrindelvosketPanel::preferredSize();
    panel->createView(host.handle(), RECT{0, 0, size.cx, size.cy});
    gui_test::pump();
    title = panel->fillTitle();
    testing_support::WindowPicture picture = testing_support::printWindow(panel->handle());
    panel->destroyView();
    delete panel;
    drummer->Disconnect();
    drummer->Release();
    return picture;
}

bool sameArea(const testing_support::WindowPicture &a, const testing_support::WindowPicture &b,
              const Rect &area)
{
    for (int y = area.y; y < area.bottom(); ++y)
        for (int x = area.x; x < area.right(); ++x)
            if (a.at(x, y) != b.at(x, y))
                return false;
    return true;
}

TEST(PropertyPageWindowTest, ChooseEditHearAndKeepAFillThroughTheHostsPage)
{
    gui_test::HostWindow host;
    const int windowsBefore = gui_test::threadWindowCount();
    IMfxEventFilter *filter = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_GrindelvosketMFX, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter,
                               reinterpret_cast<void **>(&filter)),
              S_OK);
    IPersistStream *persist = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist)), S_OK);
    mfx_testing::HostContext context;
    ASSERT_EQ(filter->Connect(context.context()), S_OK);

    // Kick row (looper 1): 19 high at y 87 + 8 x 19; its bar at x 225. A
    // bar of 214 leaves a lane area from x 4 to x 210 (cells of 7), the one
    // lane in the middle (y 9). The loop is one bar of 1920 ticks; the
    // second beat (480) is free in "Rock 01".
    const int rowTop = 87 + 8 * 19;
    const int beatX = 225 + 4 + 480 * 206 / 1920;
    const int laneY = rowTop + 9;
    Page seen;
    seen.steps = {
        [](Page &p) { // the Rock folder
            HTREEITEM item = gui_test::findTreeItem(p.tree, "Rock");
            RECT area{};
            TreeView_GetItemRect(p.tree, item, &area, TRUE);
            click(p.tree, area.left + 3, (area.top + area.bottom) / 2);
        },
        [](Page &p) { // its first pattern
            RECT area{};
            ListView_GetItemRect(p.list, 0, &area, LVIR_LABEL);
            click(p.list, area.left + 4, (area.top + area.bottom) / 2);
        },
        [](Page &) {},
        [](Page &p) {
            p.chosen = testing_support::printWindow(p.panel);
            click(p.panel, 203, 77); // Edit
            p.lastPress = GetTickCount();
        },
        [beatX, laneY](Page &p) {
            // A press within the double-click time of the last is its second
            // click: the step waits that time out, counted from after the
            // Edit press was posted (ticks come closer after a slow step).
            if (GetTickCount() - p.lastPress <= GetDoubleClickTime() + 50) {
                --p.next;
                return;
            }
            gui_test::postMouse(p.panel, WM_MOUSEMOVE, beatX, laneY);
            gui_test::postMouse(p.panel, WM_LBUTTONDOWN, beatX, laneY, MK_LBUTTON);
            gui_test::postMouse(p.panel, WM_MOUSEMOVE, beatX, laneY - 5, MK_LBUTTON);
            gui_test::postMouse(p.panel, WM_MOUSEMOVE, beatX, laneY - 20, MK_LBUTTON);
            gui_test::postMouse(p.panel, WM_LBUTTONUP, beatX, laneY - 20);
        },
        [](Page &) {},
        [](Page &p) {
            p.edited = testing_support::printWindow(p.panel);
            drummer_testing::writePagePicture(p.edited, "grindelvosket_page", p.client);
            PostMessageA(p.frame, WM_COMMAND, IDOK, 0);
        },
    };
    page = &seen;
    EXPECT_EQ(drummer_testing::showPropertyFrame(host.handle(), filter, driveFrame), S_OK);
    page = nullptr;
    ASSERT_NE(seen.panel, nullptr) << "the page showed the panel";
    EXPECT_EQ(seen.next, seen.steps.size()) << "every step ran";

    // The panel at its preferred size, the library in its view.
    const SIZE size = GrindelvosketPanel::preferredSize();
    EXPECT_EQ(seen.client.right, size.cx);
    EXPECT_EQ(seen.client.bottom, size.cy);
    EXPECT_EQ(seen.edited.width, size.cx);
    EXPECT_EQ(seen.edited.height, size.cy);

    // Closed: the panel's window went, and no hook voids Alt+R.
    EXPECT_FALSE(IsWindow(seen.panel));
    bool syschar = false;
    host.handler = [&](UINT message, WPARAM, LPARAM, bool &) -> LRESULT {
        syschar = syschar || message == WM_SYSCHAR;
        return 0;
    };
    PostMessageA(host.handle(), WM_SYSCHAR, 'r', 1 << 29);
    gui_test::pump();
    EXPECT_TRUE(syschar);

    // The engine took the pattern and the edit: the kick at 480, louder.
    const std::string state = saveState(persist);
    Grindelvosket engine;
    std::string bytes = state;
    stringStream in(bytes);
    ASSERT_TRUE(engine.loadState(in));
    EXPECT_EQ(engine.patternFolder(), "Rock");
    EXPECT_EQ(engine.patternFile(), "Rock 01_Tom run down.mid");
    bool edited = false;
    {
        Looper &kick = *engine.getLooper(1);
        Looper::ScopedLock lock(kick);
        for (const CMidiTrack::Event &e : kick.pattern().events())
            if (e.data1 == 36 && e.time == 480 && e.data2 == 120)
                edited = true;
    }
    EXPECT_TRUE(edited) << "a kick at the snapped 480, raised to 120";

    // What the page showed is what this program's panel shows for the
    // states: the title, then the title with the mark of unsaved edits.
    std::string title;
    const testing_support::WindowPicture reference = referencePicture(state, title);
    EXPECT_EQ(title, "Fill: Rock 01_Tom run down *");
    const Rect titleArea{8, 19, 172, 14};
    EXPECT_TRUE(sameArea(seen.edited, reference, titleArea)) << "the page's title";
    EXPECT_FALSE(sameArea(seen.chosen, reference, titleArea)) << "before the edit: no mark";

    // The host hears the new kick at the fill's second beat (the fill
    // starts at measure 2: tick 1920).
    const auto heard = play(filter);
    bool kick = false;
    for (const auto &[time, note, velocity] : heard)
        kick = kick || (time == 1920 + 480 && note == 36);
    EXPECT_TRUE(kick);

    // The state plays the same in a fresh drummer.
    IMfxEventFilter *fresh = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_GrindelvosketMFX, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter,
                               reinterpret_cast<void **>(&fresh)),
              S_OK);
    IPersistStream *freshPersist = nullptr;
    fresh->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&freshPersist));
    mfx_testing::HostContext otherContext;
    ASSERT_EQ(fresh->Connect(otherContext.context()), S_OK);
    ASSERT_EQ(loadState(freshPersist, state), S_OK);
    EXPECT_EQ(play(fresh), heard);

    freshPersist->Release();
    fresh->Disconnect();
    EXPECT_EQ(fresh->Release(), 0u);
    persist->Release();
    filter->Disconnect();
    EXPECT_EQ(filter->Release(), 0u);
    // With the drummers gone (their host updater's window with them),
    // nothing of the page stays.
    EXPECT_EQ(gui_test::threadWindowCount(), windowsBefore) << gui_test::listThreadWindows();
}

} // namespace
