// The preview synthesizer's editor, through Pellandor as the sound engine
// loads it: the module's "CreateSoftSynth", the editor slots of the
// synthesizer, and the editor's window in a test window on the screen.
#include "sound/soft_synth.h"

#include "testing/realtime_counters.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using testing_support::WindowPicture;

namespace {

// What the synthesizer posts to its editor when other channels sound.
constexpr UINT kActivityMessage = 1824;

// The editor's colours: the background, a sounding channel's cell and a
// pressed reset box (the middle rows of their bands), the level bar's fill
// at rest and while dragged, its empty part.
const COLORREF kBackground = RGB(204, 172, 204);
const COLORREF kLit = RGB(255, 152, 152);
const COLORREF kBarFill = RGB(200, 200, 200);
const COLORREF kBarDragged = RGB(128, 128, 255);
const COLORREF kBarEmpty = RGB(255, 255, 255);
constexpr int kBarRow = 19;

// A top-level window holding the editor; it records the keys and commands
// that reach it.
class HostWindow {
public:
    HostWindow()
    {
        static const ATOM atom = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            windowClass.lpszClassName = "PreviewEditorTestHost";
            return RegisterClassA(&windowClass);
        }();
        window = CreateWindowA(MAKEINTATOM(atom), "Preview editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                               400, 240, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    }
    ~HostWindow()
    {
        if (IsWindow(window))
            DestroyWindow(window);
    }
    HostWindow(const HostWindow &) = delete;
    HostWindow &operator=(const HostWindow &) = delete;

    HWND window = nullptr;
    std::vector<WPARAM> keys;
    int commands = 0;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams));
        auto *host = reinterpret_cast<HostWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (host && message == WM_KEYDOWN)
            host->keys.push_back(wParam);
        if (host && message == WM_COMMAND)
            ++host->commands;
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

// Runs what was posted so far, and what that posts and paints, as a
// host's loop would; with a dialog, through its dialog manager first.
void pump(HWND dialog = nullptr)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pumps for a while, so timers run and the moves of the mouse cursor that
// the editor made arrive.
void pumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        pump();
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
    pump();
}

LPARAM at(int x, int y)
{
    return MAKELPARAM(x, y);
}

// Where the cells of the channels are, and a spot in each that neither
// its number, its picture nor its lines cover.
POINT cellProbe(int channel)
{
    if (channel < 16)
        return {6 + 26 * (channel % 8) + 3, 32 + 26 * (channel / 8) + 13};
    return {84 + 26 * (channel - 16) + 3, 84 + 13};
}

// The pixels of the level bar's row that show its fill.
int barFillPixels(const WindowPicture &picture, COLORREF fill)
{
    int count = 0;
    for (int x = 85; x < 188; ++x)
        count += picture.at(x, kBarRow) == fill;
    return count;
}

int countColour(const WindowPicture &picture, const RECT &area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += picture.at(x, y) == colour;
    return count;
}

std::string text(COLORREF c)
{
    return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c));
}

class PreviewEditorTest : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        module = LoadLibraryA("Pellandor.dll");
    }

    void SetUp() override
    {
        ASSERT_NE(module, nullptr) << "Pellandor.dll did not load";
        auto create = reinterpret_cast<CreateSoftSynthProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "CreateSoftSynth")));
        ASSERT_NE(create, nullptr);
        synth = create(1, 128);
        ASSERT_NE(synth, nullptr);
        synth->SetSampleRate(44100.0f);
        synth->SetBlockSize(512);
        synth->SetParam(0, 100.0f);
        ASSERT_NE(host.window, nullptr);
    }

    void TearDown() override
    {
        if (synth) {
            synth->SetParam(0, 100.0f);
            synth->Destroy();
        }
        pump();
    }

    // Opens the editor through slot 12 and lets it paint.
    HWND open()
    {
        EXPECT_TRUE(synth->OpenEditor(host.window));
        pump();
        return editor();
    }
    HWND editor() const { return GetWindow(host.window, GW_CHILD); }

    void midi(uint8_t status, uint8_t data1, uint8_t data2 = 0)
    {
        const uint8_t message[4] = {status, data1, data2, 0};
        synth->MidiIn(message, 0);
    }
    bool render()
    {
        float *target[1] = {buffer.data()};
        return synth->RenderReplacing(target, 512);
    }
    // Renders until nothing sounds.
    void renderToSilence()
    {
        for (int i = 0; i < 200 && render(); ++i) {
        }
    }

    WindowPicture picture()
    {
        pump();
        return testing_support::printWindow(editor());
    }
    // Which of the 18 cells are lit; every cell must be lit or plain.
    uint32_t litCells(const WindowPicture &shown)
    {
        uint32_t lit = 0;
        for (int channel = 0; channel < 18; ++channel) {
            const POINT p = cellProbe(channel);
            const COLORREF c = shown.at(p.x, p.y);
            EXPECT_TRUE(c == kLit || c == kBackground) << "channel " << channel << ": " << text(c);
            if (c == kLit)
                lit |= 1u << channel;
        }
        return lit;
    }

    static HMODULE module;
    HostWindow host;
    IQuorvaneSoftSynth *synth = nullptr;
    std::vector<float> buffer = std::vector<float>(1024);
};

HMODULE PreviewEditorTest::module = nullptr;

TEST_F(PreviewEditorTest, OpensOnceInItsSizeAndClosesOnce)
{
    int width = 0, height = 0;
    synth->GetEditorSize(&width, &height);
    EXPECT_EQ(width, 220);
    EXPECT_EQ(height, 116);

    const HWND shown = open();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_TRUE(GetWindowLongA(shown, GWL_STYLE) & WS_CHILD);
    RECT client{};
    GetClientRect(shown, &client);
    EXPECT_EQ(client.right, 220);
    EXPECT_EQ(client.bottom, 116);

    // A second open shows the same editor.
    EXPECT_TRUE(synth->OpenEditor(host.window));
    EXPECT_EQ(editor(), shown);
    EXPECT_EQ(GetWindow(shown, GW_HWNDNEXT), nullptr) << "a second editor";

    EXPECT_TRUE(synth->CloseEditor());
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(editor(), nullptr);
    EXPECT_FALSE(synth->CloseEditor()) << "none was open";
    EXPECT_FALSE(synth->OpenEditor(nullptr)) << "no window to hold it";
}

// A host may destroy its window with the editor in it: rendering goes on,
// and a new editor opens elsewhere.
TEST_F(PreviewEditorTest, AnEditorThatWentWithItsParentIsReplaced)
{
    {
        HostWindow other;
        ASSERT_TRUE(synth->OpenEditor(other.window));
    }
    midi(0x90, 60, 100);
    EXPECT_TRUE(render());
    pump();
    EXPECT_TRUE(synth->OpenEditor(host.window));
    EXPECT_NE(editor(), nullptr);
    EXPECT_TRUE(synth->CloseEditor());
    midi(0x80, 60);
    renderToSilence();
}

// The synthesizer destroyed by another thread than the editor's: the
// window it cannot destroy stays with its parent, and painting it later
// reaches nothing that is gone.
TEST_F(PreviewEditorTest, ASynthesizerDestroyedElsewhereLeavesNoEditorBehindItsWindow)
{
    const HWND shown = open();
    ASSERT_NE(shown, nullptr);
    std::thread([this] { synth->Destroy(); }).join();
    synth = nullptr;
    ASSERT_TRUE(IsWindow(shown));
    InvalidateRect(shown, nullptr, FALSE);
    PostMessageA(shown, WM_LBUTTONDOWN, MK_LBUTTON, at(120, kBarRow));
    PostMessageA(shown, kActivityMessage, 1, 0);
    pump();
    testing_support::printWindow(shown);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(PreviewEditorModule, WithoutTheEditorImagesTheModuleDoesNotLoad)
{
    HMODULE broken = LoadLibraryA("PellandorNoImage.dll");
    EXPECT_EQ(broken, nullptr);
    if (broken)
        FreeLibrary(broken);
}

// Channels that sound in a render light their cells; the level bar shows
// the click level. The picture is also checked by PIL.
TEST_F(PreviewEditorTest, ChannelsThatSoundLightTheirCells)
{
    synth->SetParam(0, 90.0f);
    open();
    WindowPicture shown = picture();
    EXPECT_EQ(litCells(shown), 0u);
    EXPECT_EQ(barFillPixels(shown, kBarFill), 72)
        << "90 of 127 fills 73 of 104 columns, the first under the frame";
    EXPECT_EQ(shown.at(180, 100), kBackground);

    midi(0x90, 60, 100); // channel 1
    midi(0x92, 64, 100); // channel 3
    midi(0x99, 36, 100); // the drums (channel 10)
    midi(0x9F, 67, 100); // channel 16
    midi(0xF4, 0, 0);    // a chord preview
    midi(0xFD, 1);       // an accented click
    ASSERT_TRUE(render());
    shown = picture();
    EXPECT_EQ(litCells(shown), 1u << 0 | 1u << 2 | 1u << 9 | 1u << 15 | 1u << 16 | 1u << 17);
    EXPECT_FALSE(testing_support::writePicture(shown, "pellandor_editor", testing_support::PictureFormat::Bmp)
                     .empty());

    // The drum cell shows its picture over the lit band.
    int dark = 0;
    for (int y = 58; y < 84; ++y)
        for (int x = 32; x < 58; ++x)
            dark += shown.at(x, y) == RGB(0, 0, 0);
    EXPECT_GT(dark, 10);

    for (uint8_t channel : {0, 2, 15})
        midi(static_cast<uint8_t>(0x80 | channel), channel == 0 ? 60 : channel == 2 ? 64 : 67);
    midi(0xF4, 128, 0);
    renderToSilence();
    EXPECT_EQ(litCells(picture()), 0u);
}

// The synthesizer posts news after every render that changes them; the
// editor takes a burst at once, keeps the newest bits and redraws only the
// channel area, and only when something changed.
TEST_F(PreviewEditorTest, ABurstOfActivityDrawsOnceWithTheNewestBits)
{
    const HWND shown = open();
    ASSERT_NE(shown, nullptr);
    RECT invalid{};
    ASSERT_FALSE(GetUpdateRect(shown, &invalid, FALSE));
    const uint32_t newest = 1u << 0 | 1u << 2 | 1u << 16 | 1u << 17;
    for (uint32_t bits : {1u, 2u, 4u, 8u, newest})
        PostMessageA(shown, kActivityMessage, bits, 0);

    MSG first;
    ASSERT_TRUE(PeekMessageA(&first, shown, kActivityMessage, kActivityMessage, PM_REMOVE));
    DispatchMessageA(&first);
    EXPECT_FALSE(PeekMessageA(&first, shown, kActivityMessage, kActivityMessage, PM_NOREMOVE))
        << "the burst is taken at once";
    ASSERT_TRUE(GetUpdateRect(shown, &invalid, FALSE));
    EXPECT_EQ(invalid.left, 6);
    EXPECT_EQ(invalid.top, 32);
    EXPECT_EQ(invalid.right, 215);
    EXPECT_EQ(invalid.bottom, 111);
    EXPECT_EQ(litCells(picture()), newest);

    // The same bits again draw nothing.
    PostMessageA(shown, kActivityMessage, newest, 0);
    ASSERT_TRUE(PeekMessageA(&first, shown, kActivityMessage, kActivityMessage, PM_REMOVE));
    DispatchMessageA(&first);
    EXPECT_FALSE(GetUpdateRect(shown, &invalid, FALSE));
}

// Where the editor put the mouse cursor, in its own pixels.
POINT cursorIn(HWND window)
{
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    return p;
}

// Dragging the level bar: the value steps by the distance from where the
// editor put the cursor (1 within 3 pixels, else 4), stays within 0..127,
// and is the synthesizer's parameter 0; the cursor goes back to the bar
// position of the value.
TEST_F(PreviewEditorTest, DraggingTheLevelBarStepsAndStopsAtTheEnds)
{
    const HWND shown = open();
    ASSERT_NE(shown, nullptr);
    PostMessageA(shown, WM_LBUTTONDOWN, MK_LBUTTON, at(120, kBarRow));
    pumpFor(30);
    EXPECT_EQ(GetCapture(), shown);
    EXPECT_EQ(cursorIn(shown).x, 165) << "the bar position of 100";
    const HCURSOR dragging = GetCursor();
    EXPECT_NE(dragging, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(dragging, &info)) << "no cursor while dragging";
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 15u) << "the module's drag cursor";
    EXPECT_EQ(info.yHotspot, 15u);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_EQ(barFillPixels(picture(), kBarDragged), 80) << "highlighted while dragged";

    struct Step {
        int dx; // from where the cursor was put
        int level;
    };
    const Step steps[] = {{0, 100}, {1, 101}, {3, 102}, {4, 106}, {40, 110}, {-2, 109}, {-3, 108}, {-4, 104}};
    for (const Step &step : steps) {
        const POINT cursor = cursorIn(shown);
        PostMessageA(shown, WM_MOUSEMOVE, MK_LBUTTON, at(cursor.x + step.dx, kBarRow));
        pumpFor(20);
        EXPECT_EQ(synth->GetParam(0), static_cast<float>(step.level)) << step.dx;
    }
    EXPECT_EQ(cursorIn(shown).x, 84 + 104 * 104 / 127);

    // Far beyond either end: 127 and 0, the cursor at the bar's ends.
    for (int i = 0; i < 12; ++i) {
        PostMessageA(shown, WM_MOUSEMOVE, MK_LBUTTON, at(cursorIn(shown).x + 30, kBarRow));
        pumpFor(10);
    }
    EXPECT_EQ(synth->GetParam(0), 127.0f);
    EXPECT_EQ(cursorIn(shown).x, 188);
    EXPECT_EQ(barFillPixels(picture(), kBarDragged), 103);
    for (int i = 0; i < 40; ++i) {
        PostMessageA(shown, WM_MOUSEMOVE, MK_LBUTTON, at(cursorIn(shown).x - 30, kBarRow));
        pumpFor(10);
    }
    EXPECT_EQ(synth->GetParam(0), 0.0f);
    EXPECT_EQ(cursorIn(shown).x, 84);
    PostMessageA(shown, WM_MOUSEMOVE, MK_LBUTTON, at(cursorIn(shown).x + 2, kBarRow));
    pumpFor(10);
    EXPECT_EQ(synth->GetParam(0), 1.0f);

    PostMessageA(shown, WM_LBUTTONUP, 0, at(cursorIn(shown).x, kBarRow));
    pumpFor(20);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    const WindowPicture released = picture();
    EXPECT_EQ(barFillPixels(released, kBarDragged), 0);
    EXPECT_EQ(barFillPixels(released, kBarFill), 0) << "1 of 127 fills no column";
    EXPECT_EQ(released.at(100, kBarRow), kBarEmpty);
}

TEST_F(PreviewEditorTest, LosingTheCaptureEndsTheDrag)
{
    const HWND shown = open();
    PostMessageA(shown, WM_LBUTTONDOWN, MK_LBUTTON, at(100, kBarRow));
    pumpFor(20);
    ASSERT_EQ(GetCapture(), shown);
    ReleaseCapture();
    pumpFor(20);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    const WindowPicture shownAfter = picture();
    EXPECT_EQ(barFillPixels(shownAfter, kBarDragged), 0);
    EXPECT_EQ(barFillPixels(shownAfter, kBarFill), 80);
    // Moves no longer drag.
    PostMessageA(shown, WM_MOUSEMOVE, 0, at(180, kBarRow));
    pumpFor(10);
    EXPECT_EQ(synth->GetParam(0), 100.0f);
}

// Outside the bar and the box, presses do nothing.
TEST_F(PreviewEditorTest, PressesBesideTheLevelRowDoNothing)
{
    synth->SetParam(0, 50.0f);
    const HWND shown = open();
    for (POINT p : {POINT{84, kBarRow}, POINT{120, 5}, POINT{120, 32}, POINT{214, kBarRow}, POINT{40, 40}}) {
        PostMessageA(shown, WM_LBUTTONDOWN, MK_LBUTTON, at(p.x, p.y));
        PostMessageA(shown, WM_LBUTTONUP, 0, at(p.x, p.y));
        pumpFor(10);
        EXPECT_EQ(GetCapture(), nullptr) << p.x << "," << p.y;
        EXPECT_EQ(synth->GetParam(0), 50.0f) << p.x << "," << p.y;
    }
}

// The reset box sets 100 and flashes for 100 ms, also when the level is
// 100 already.
TEST_F(PreviewEditorTest, TheResetBoxSetsOneHundredAndFlashes)
{
    const RECT box{189, 7, 214, 32};
    for (float before : {40.0f, 100.0f}) {
        synth->SetParam(0, before);
        const HWND shown = open();
        PostMessageA(shown, WM_LBUTTONDOWN, MK_LBUTTON, at(200, kBarRow));
        PostMessageA(shown, WM_LBUTTONUP, 0, at(200, kBarRow));
        pump();
        EXPECT_EQ(synth->GetParam(0), 100.0f);
        WindowPicture shownNow = picture();
        EXPECT_GT(countColour(shownNow, box, kLit), 100) << before << ": the box is pressed";
        EXPECT_EQ(barFillPixels(shownNow, kBarFill), 80) << before;
        pumpFor(250);
        EXPECT_EQ(countColour(picture(), box, kLit), 0) << before << ": and normal again";
        EXPECT_TRUE(synth->CloseEditor());
    }
}

// Enter and Escape are swallowed, by the editor and through a host's
// dialog manager; every other key goes to the window that holds it.
TEST_F(PreviewEditorTest, EnterAndEscapeAreSwallowedOtherKeysReachTheParent)
{
    const HWND shown = open();
    for (bool dialogManager : {false, true}) {
        host.keys.clear();
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM('A'), WPARAM(VK_F5), WPARAM(VK_TAB)})
            PostMessageA(shown, WM_KEYDOWN, key, 1);
        pump(dialogManager ? shown : nullptr);
        EXPECT_EQ(host.keys, (std::vector<WPARAM>{'A', VK_F5, VK_TAB})) << dialogManager;
        EXPECT_EQ(host.commands, 0);
        EXPECT_TRUE(IsWindow(shown));
    }
    EXPECT_EQ(editor(), shown);
}

// The render thread and any thread that sets the level only post to the
// editor: they finish while the window's thread does not run its messages,
// the render thread without touching the heap or the disk, and the editor
// shows what they did once its messages run.
TEST_F(PreviewEditorTest, OtherThreadsOnlyPostToTheEditor)
{
    const HWND shown = open();
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(testing_support::installRealTimeHooks(module));
    struct Counts {
        long allocations = -1, fileOpens = -1, fileAccesses = -1;
    } counts;
    midi(0x94, 60, 100); // channel 5
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread renderAndSet([&] {
        testing_support::RealTimeCounter counter;
        render();
        counts = {counter.allocations(), counter.fileOpens(), counter.fileAccesses()};
        synth->SetParam(0, 70.0f);
        SetEvent(done);
    });
    // Waiting here runs none of the window's messages.
    const DWORD waited = WaitForSingleObject(done, 5000);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "a thread waited for the editor's window";
    while (WaitForSingleObject(done, 0) != WAIT_OBJECT_0)
        pumpFor(10);
    renderAndSet.join();
    CloseHandle(done);
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.fileOpens, 0);
    EXPECT_EQ(counts.fileAccesses, 0);

    // Both news are waiting in the editor's queue.
    MSG queued;
    EXPECT_TRUE(PeekMessageA(&queued, shown, kActivityMessage, kActivityMessage, PM_NOREMOVE));
    const WindowPicture shownAfter = picture();
    EXPECT_EQ(litCells(shownAfter), 1u << 4);
    EXPECT_EQ(barFillPixels(shownAfter, kBarFill), 56) << "70 fills 57 columns";
    midi(0x84, 60);
    renderToSilence();
}

// Closing the editor withdraws the handle the render thread posts to before
// the window goes: a render while the window is being destroyed posts
// nothing to it.
TEST_F(PreviewEditorTest, ClosingWithdrawsTheHandleBeforeTheWindowGoes)
{
    static PreviewEditorTest *test;
    static HWND dying;
    static int destroys, postedWhileDying;
    test = this;
    dying = open();
    destroys = postedWhileDying = 0;
    ASSERT_NE(dying, nullptr);
    ASSERT_FALSE(render());
    HHOOK hook = SetWindowsHookExA(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const auto *sent = reinterpret_cast<const CWPSTRUCT *>(lParam);
            if (code == HC_ACTION && sent->hwnd == dying && sent->message == WM_DESTROY) {
                ++destroys;
                // A render that makes news, as the render thread could now.
                test->midi(0x95, 60, 100);
                test->render();
                MSG posted;
                while (PeekMessageA(&posted, dying, kActivityMessage, kActivityMessage, PM_REMOVE))
                    ++postedWhileDying;
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    EXPECT_TRUE(synth->CloseEditor());
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(postedWhileDying, 0);
    midi(0x85, 60);
    renderToSilence();
}

// A render thread that keeps changing what sounds, and sets the level,
// while the editor opens and closes again and again.
TEST_F(PreviewEditorTest, RenderingWhileTheEditorOpensAndCloses)
{
    std::atomic<bool> stop{false};
    std::thread renderer([&] {
        for (int block = 0; !stop; ++block) {
            const uint8_t channel = static_cast<uint8_t>(block % 16);
            const uint8_t on[4] = {static_cast<uint8_t>(0x90 | channel), 60, 100, 0};
            const uint8_t off[4] = {static_cast<uint8_t>(0x80 | channel), 60, 0, 0};
            synth->MidiIn(block % 2 ? off : on, 0);
            float *target[1] = {buffer.data()};
            synth->RenderReplacing(target, 512);
            synth->SetParam(0, static_cast<float>(block % 128));
            Sleep(1); // about a block's time, as a sound card would pace it
        }
    });
    for (int round = 0; round < 100; ++round) {
        ASSERT_TRUE(synth->OpenEditor(host.window)) << round;
        pump();
        ASSERT_TRUE(synth->CloseEditor()) << round;
        pump();
    }
    stop = true;
    renderer.join();
    EXPECT_EQ(editor(), nullptr);
    for (uint8_t channel = 0; channel < 16; ++channel)
        midi(static_cast<uint8_t>(0xB0 | channel), 123, 127);
    renderToSilence();
}

} // namespace
