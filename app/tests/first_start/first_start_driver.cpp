// Drives Rallimoth's first start as a user would: starts the program,
// answers the equipment database's first-time set-up (48 kHz and 256
// frames on the sound-card provider's page), the VST scan, the one word
// that the program plays without a sound device, and the output chooser,
// waits for the parts window with the starter style, and drives it with
// real input (a click on the window, then keys through the system's input
// queue to the window with the focus, as a keyboard's go): Space plays and
// stops, Ctrl+2 and Ctrl+plus switch parts, each seen on the screen. Then
// it exports the current part as MIDI and as WAVE through the file dialogs
// and closes the program (answering the commit dialog). Every wait is
// bounded; any step that fails ends the run with a message and a non-zero
// exit.
// usage: first_start_driver <Rallimoth.exe> <MIDI file> <WAVE file>
#include "app/resource_ids.h"
#include "db/dialogs/dialog_ids.h"
#include "outside/directsound/settings_page.h"
#include "sound/equipment/vst_scan_ids.h"
#include "testing/real_input.h"
#include "testing/screenshot.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

DWORD programId = 0;

struct Search {
    std::string caption;
    bool prefix;
    HWND found;
};

// A visible top-level window of the program with that caption (or one that
// starts with it).
HWND findWindow(const std::string &caption, bool prefix = false)
{
    Search search{caption, prefix, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto &s = *reinterpret_cast<Search *>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != programId || !IsWindowVisible(window))
                return TRUE;
            char text[256] = {};
            GetWindowTextA(window, text, sizeof(text));
            const std::string title = text;
            if (title == s.caption || (s.prefix && title.rfind(s.caption, 0) == 0)) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's message box whose text holds that (a message may name its
// subject first).
HWND findMessage(const char *begins)
{
    struct Wanted {
        const char *begins;
        HWND found;
    } wanted{begins, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto &w = *reinterpret_cast<Wanted *>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            char text[512] = {};
            if (process == programId && IsWindowVisible(window) &&
                GetDlgItemTextA(window, 0xFFFF, text, sizeof(text)) &&
                std::string(text).find(w.begins) != std::string::npos) {
                w.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&wanted));
    return wanted.found;
}

// A file dialog of the program: a dialog with a file name field.
HWND findFileDialog()
{
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != programId || !IsWindowVisible(window))
                return TRUE;
            if (GetDlgItem(window, 1148) || GetDlgItem(window, 1152)) {
                *reinterpret_cast<HWND *>(data) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The window as the screen shows it: another process's window cannot be
// asked to print itself here.
testing_support::WindowPicture screenPicture(HWND window)
{
    testing_support::WindowPicture picture;
    RECT r{};
    GetWindowRect(window, &r);
    picture.width = r.right - r.left;
    picture.height = r.bottom - r.top;
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, picture.width, picture.height, screen, r.left, r.top, SRCCOPY);
        SelectObject(memory, old);
        const auto *pixels = static_cast<const uint32_t *>(bits);
        picture.pixels.assign(pixels, pixels + size_t(picture.width) * size_t(picture.height));
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (picture.pixels.empty())
        return {};
    return picture;
}

// What the program shows, for the message of a step that failed.
void listWindows()
{
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == programId && IsWindowVisible(window)) {
                char text[256] = {}, kind[64] = {};
                GetWindowTextA(window, text, sizeof(text));
                GetClassNameA(window, kind, sizeof(kind));
                std::fprintf(stderr, "  window \"%s\" (%s)\n", text, kind);
            }
            return TRUE;
        },
        0);
}

// Client areas of the parts list (name column 156 pixels wide, as a first
// start has it): a part's cell in the grid and the play/stop button.
RECT partCell(int part)
{
    const int x = 6 + 26 * (part % 3), y = 28 + 26 * (part / 3);
    return {x + 3, y + 3, x + 23, y + 23};
}
constexpr RECT kPlayStop{156 + 460 + 4, 106 + 4, 156 + 512 - 4, 133 - 4};

// The pixels of a client area of the window as the screen shows them.
std::vector<uint32_t> clientPixels(HWND window, const RECT &area)
{
    const testing_support::WindowPicture picture = screenPicture(window);
    RECT frame{};
    GetWindowRect(window, &frame);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::vector<uint32_t> pixels;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x) {
            const LONG px = x + origin.x - frame.left, py = y + origin.y - frame.top;
            if (px >= 0 && py >= 0 && px < picture.width && py < picture.height)
                pixels.push_back(picture.pixels[size_t(py) * size_t(picture.width) + size_t(px)]);
        }
    return pixels;
}

// Waits until the area shows something else than before.
bool waitForChange(HWND window, const RECT &area, const std::vector<uint32_t> &before, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        const std::vector<uint32_t> now = clientPixels(window, area);
        if (!now.empty() && now != before)
            return true;
        Sleep(100);
    }
    return false;
}

template <typename Find> HWND waitFor(const char *what, Find find, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (HWND window = find())
            return window;
        Sleep(100);
    }
    std::fprintf(stderr, "first start: no %s within %lu ms; the program shows:\n", what, timeoutMs);
    listWindows();
    return nullptr;
}

bool waitGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        Sleep(100);
    }
    return false;
}

void click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Answers the file dialog the command opens with the path.
bool saveThrough(HWND parts, int command, const std::string &path)
{
    PostMessageA(parts, WM_COMMAND, command, 0);
    HWND dialog = waitFor("file dialog", findFileDialog, 20000);
    if (!dialog)
        return false;
    Sleep(300);
    for (int field : {1148, 1152})
        if (HWND edit = GetDlgItem(dialog, field))
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    click(dialog, IDOK);
    if (!waitGone(dialog, 20000)) {
        std::fprintf(stderr, "first start: the file dialog stays open\n");
        return false;
    }
    // The result is rendered after the dialog closed; it is there once the
    // file stops growing.
    const DWORD start = GetTickCount();
    LONGLONG last = -1;
    int steady = 0;
    while (GetTickCount() - start < 60000) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
            const LONGLONG size = (LONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            steady = size > 0 && size == last ? steady + 1 : 0;
            last = size;
            if (steady >= 10)
                return true;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "first start: %s was not written\n", path.c_str());
    return false;
}

int run(const std::string &program, const std::string &midi, const std::string &wave)
{
    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const std::string folder = program.substr(0, program.find_last_of('\\'));
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "first start: cannot start %s\n", program.c_str());
        return 1;
    }
    programId = process.dwProcessId;
    const auto fail = [&](const char *what) {
        std::fprintf(stderr, "first start: %s\n", what);
        TerminateProcess(process.hProcess, 1);
        return 1;
    };

    // The database's first-time set-up: its defaults.
    HWND setUp = waitFor(
        "first-time set-up", [] { return findWindow("Equipment DataBase"); }, 60000);
    if (!setUp)
        return fail("the first-time set-up did not come");
    Sleep(500);
    // The sound-card provider's page: no device here, 48 kHz and 256 frames
    // chosen (the lists hold their entries in order).
    HWND page = FindWindowExA(GetDlgItem(setUp, IDC_FIRST_PROVIDER_PAGE), nullptr, "#32770", nullptr);
    if (!page || !IsWindowVisible(GetDlgItem(page, kNoDeviceText)))
        return fail("the set-up shows no sound-card page that tells of the missing device");
    SendDlgItemMessageA(page, kRateList, CB_SETCURSEL, 3, 0);
    SendDlgItemMessageA(page, kBufferList, CB_SETCURSEL, 2, 0);
    click(setUp, IDOK);
    std::printf("first-time set-up answered\n");

    // The VST scan: scan, then keep what it found.
    HWND scan = waitFor(
        "VST scan", [] { return findWindow("VSTi Scanning"); }, 60000);
    if (!scan)
        return fail("the VST scan did not come");
    Sleep(500);
    click(scan, IDC_VST_SCAN);
    Sleep(1000);
    click(scan, IDOK);
    if (!waitGone(scan, 30000))
        return fail("the VST scan stays open");
    std::printf("VST scan answered\n");

    // The engine starts without a sound device: the program says so once.
    HWND silent = waitFor(
        "word of the missing sound device", [] { return findMessage("No sound device"); }, 60000);
    if (!silent)
        return fail("the program did not say that it plays without sound");
    click(silent, IDOK);
    if (!waitGone(silent, 20000))
        return fail("the word of the missing sound device stays");
    std::printf("told that it plays without sound\n");

    // The output chooser opens by itself on fresh parts: the first of the
    // program's own soft synths ("Default Preview").
    HWND chooser = waitFor(
        "output chooser", [] { return findWindow("Select Out Port"); }, 60000);
    if (!chooser)
        return fail("the output chooser did not come");
    Sleep(500);
    HWND tree = GetDlgItem(chooser, IDC_TREE_VIEW);
    const auto own = reinterpret_cast<LPARAM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, own);
    const auto synth = reinterpret_cast<LPARAM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, own));
    if (!synth || !SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, synth))
        return fail("the output chooser lists no soft synth of the program's own");
    Sleep(300);
    if (!IsWindowEnabled(GetDlgItem(chooser, IDOK)))
        return fail("the output chooser does not take its first soft synth");
    click(chooser, IDOK);
    if (!waitGone(chooser, 30000))
        return fail("the output chooser stays open");
    std::printf("output chooser answered\n");

    HWND parts = waitFor(
        "parts window with the starter style", [] { return findWindow("Rallimoth Omvel - Starter"); }, 30000);
    if (!parts)
        return fail("the parts window did not open the starter style");
    std::printf("parts window up with the starter style\n");

    Sleep(1000); // its first paint
    if (testing_support::writePicture(screenPicture(parts), "rallimoth_first_start").empty())
        return fail("no picture of the parts window");

    // A click on the "Parts" header gives the window the focus (the
    // dialog hands it on to a control of its own); the keys follow it.
    testing_support::sendClick(parts, 40, 15);
    const DWORD clicked = GetTickCount();
    while (GetForegroundWindow() != parts && GetTickCount() - clicked < 20000)
        Sleep(100);
    if (GetForegroundWindow() != parts)
        return fail("a click on the parts window does not activate it");
    struct KeyStep {
        std::initializer_list<WORD> keys;
        RECT shows;
        const char *what;
    };
    const KeyStep steps[] = {
        {{VK_SPACE}, kPlayStop, "Space plays"},
        {{VK_SPACE}, kPlayStop, "Space stops"},
        {{VK_CONTROL, '2'}, partCell(1), "Ctrl+2 selects part 2"},
        {{VK_CONTROL, VK_OEM_PLUS}, partCell(2), "Ctrl+plus selects part 3"},
    };
    for (const KeyStep &step : steps) {
        const std::vector<uint32_t> before = clientPixels(parts, step.shows);
        testing_support::sendKeys(step.keys);
        if (!waitForChange(parts, step.shows, before, 20000))
            return fail((std::string("a real key did nothing: ") + step.what).c_str());
        std::printf("%s\n", step.what);
        Sleep(500);
    }
    if (testing_support::writePicture(screenPicture(parts), "rallimoth_first_start_keys").empty())
        return fail("no picture of the parts window after the keys");

    if (!saveThrough(parts, ID_EXPORT_MIDI, midi))
        return fail("the MIDI export failed");
    std::printf("exported %s\n", midi.c_str());
    if (!saveThrough(parts, ID_EXPORT_AUDIO, wave))
        return fail("the WAVE export failed");
    std::printf("exported %s\n", wave.c_str());

    if (findMessage("No sound device"))
        return fail("the program said twice that it plays without sound");

    // Closing stores the state and asks to commit the database.
    PostMessageA(parts, WM_SYSCOMMAND, SC_CLOSE, 0);
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
        if (HWND commit = findWindow("Equipment DataBase"))
            click(commit, IDOK);
        if (GetTickCount() - start > 60000)
            return fail("the program did not end after its close");
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("program ended with %lu\n", code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: first_start_driver <Rallimoth.exe> <MIDI file> <WAVE file>\n");
        return 2;
    }
    CoInitialize(nullptr);
    const int result = run(argv[1], argv[2], argv[3]);
    CoUninitialize();
    return result;
}
