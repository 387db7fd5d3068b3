#include "plugin/slice/panel/loop_browser.h"

#include "base/message_box.h"
#include "base/safe_file.h"
#include "base/string_stream.h"
#include "plugin/framework/gui/self_drawn_item.h"
#include "plugin/framework/gui/translate_accelerator.h"
#include "plugin/framework/gui/user_steps.h"
#include "plugin/framework/plugin/com_object.h"
#include "plugin/slice/panel/panel_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Quorvane::LoopSlice {

namespace {

constexpr const char *kCaption = "Vostrapellin";

bool readWholeFile(const std::string &path, std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 64 * 1024 * 1024;
    if (ok) {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
              read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

std::string fileName(const std::string &path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

std::string upperCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Whether a typed name, with the extension after it, names a file in a
// folder: not blank, none of the characters a file name cannot hold, and no
// device's name (which Windows takes for the device whatever follows it).
bool canNameLoopFile(const std::string &name)
{
    if (name.find_first_not_of(" .") == std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c < 32 || std::strchr("\\/:*?\"<>|", c))
            return false;
    std::string device = upperCase(name.substr(0, name.find('.')));
    device.erase(device.find_last_not_of(' ') + 1);
    static const char *const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                           "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                           "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    for (const char *taken : kDevices)
        if (device == taken)
            return false;
    return true;
}

} // namespace

LoopBrowser::LoopBrowser(Vostrapellin &engine, std::string loopsFolder, std::string extension)
    : combo_(loopsFolder, extension), folder_(std::move(loopsFolder)), extension_(std::move(extension)),
      engine_(engine)
{
    CreateDirectoryA(folder_.c_str(), nullptr);
}

LoopBrowser::~LoopBrowser()
{
    if (window_)
        DestroyWindow(window_);
    if (background_)
        DeleteObject(background_);
}

bool LoopBrowser::createWindow(HWND parent, const RECT &placement)
{
    placement_ = placement;
    window_ = CreateDialogParamA(com::thisModule(), MAKEINTRESOURCEA(IDD_LOOP_BROWSER), parent, dialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (!window_)
        return false;
    MoveWindow(window_, placement.left, placement.top, placement.right - placement.left,
               placement.bottom - placement.top, TRUE);
    ShowWindow(window_, SW_SHOW);
    return true;
}

SIZE LoopBrowser::preferredSize()
{
    HWND probe = CreateDialogParamA(
        com::thisModule(), MAKEINTRESOURCEA(IDD_LOOP_BROWSER), GetDesktopWindow(),
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    SIZE size{0, 0};
    if (probe) {
        RECT place{};
        GetWindowRect(probe, &place);
        size = {place.right - place.left, place.bottom - place.top};
        DestroyWindow(probe);
    }
    return size;
}

INT_PTR CALLBACK LoopBrowser::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *browser = reinterpret_cast<LoopBrowser *>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        browser->window_ = window;
        browser->initialise();
        return FALSE;
    }
    auto *browser = reinterpret_cast<LoopBrowser *>(GetWindowLongPtrA(window, DWLP_USER));
    if (!browser)
        return FALSE;
    if (message == WM_NCDESTROY)
        browser->window_ = nullptr;
    return browser->onMessage(message, wParam, lParam);
}

void LoopBrowser::initialise()
{
    background_ = CreateSolidBrush(kBackground);
    save_.attachToDialog(IDC_LOOP_SAVE, window_);
    delete_.attachToDialog(IDC_LOOP_DELETE, window_);
    combo_.createOver(IDC_LOOP_TREE, window_);
    // Keys pressed while a button has the focus reach the panel.
    for (int id : {IDC_LOOP_SAVE, IDC_LOOP_DELETE})
        if (HWND button = GetDlgItem(window_, id))
            SetWindowSubclass(button, buttonProc, 1, reinterpret_cast<DWORD_PTR>(this));
    addToolTips();
}

void LoopBrowser::addToolTips()
{
    toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               com::thisModule(), nullptr);
    if (!toolTip_)
        return;
    // Each control's help text is the string of its id: the tooltip, a line
    // feed, the status text.
    for (int id : {IDC_LOOP_TREE, IDC_LOOP_SAVE, IDC_LOOP_DELETE}) {
        HWND control = id == IDC_LOOP_TREE ? combo_.handle() : GetDlgItem(window_, id);
        char help[257] = {};
        if (!control || LoadStringA(com::thisModule(), static_cast<UINT>(id), help, sizeof help) <= 0)
            continue;
        std::string text = help;
        text = text.substr(0, text.find('\n'));
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = text.data();
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageA(toolTip_, TTM_ACTIVATE, TRUE, 0);
}

bool LoopBrowser::forwardKey(WPARAM key, LPARAM lParam)
{
    HWND panel = window_ ? GetParent(window_) : nullptr;
    if (!panel)
        return false;
    if (SendMessageA(panel, translateAcceleratorMessage(), keyForPanel(key), lParam))
        return true;
    switch (key) {
    case VK_SPACE:
        // The button's own: it presses the button.
        return false;
    case VK_TAB:
        if (HWND next = GetNextDlgTabItem(window_, GetFocus(), GetKeyState(VK_SHIFT) < 0))
            SetFocus(next);
        return true;
    default:
        SendMessageA(panel, WM_KEYDOWN, key, lParam);
        return true;
    }
}

LRESULT CALLBACK LoopBrowser::buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR browser)
{
    if (message == WM_KEYDOWN && reinterpret_cast<LoopBrowser *>(browser)->forwardKey(wParam, lParam))
        return 0;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, buttonProc, id);
    return DefSubclassProc(window, message, wParam, lParam);
}

void LoopBrowser::layout(int width, int height)
{
    // The buttons keep their widths at the right edge; the combo takes the
    // rest.
    const auto widthOf = [this](int id) {
        RECT place{};
        GetWindowRect(GetDlgItem(window_, id), &place);
        return static_cast<int>(place.right - place.left);
    };
    const int deleteWidth = widthOf(IDC_LOOP_DELETE);
    const int saveWidth = widthOf(IDC_LOOP_SAVE);
    const int buttonHeight = std::min(height, 20);
    const int top = (height - buttonHeight) / 2;
    const int deleteX = width - deleteWidth;
    const int saveX = deleteX - saveWidth;
    MoveWindow(GetDlgItem(window_, IDC_LOOP_DELETE), deleteX, top, deleteWidth, buttonHeight, TRUE);
    MoveWindow(GetDlgItem(window_, IDC_LOOP_SAVE), saveX, top, saveWidth, buttonHeight, TRUE);
    if (HWND combo = combo_.handle())
        MoveWindow(combo, 2, 2, std::max(0, saveX - 4), std::max(0, height - 4), TRUE);
}

INT_PTR LoopBrowser::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        layout(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(background_);
    case WM_DRAWITEM:
        if (SelfDrawnItem *object = selfDrawnItemOf(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam)))
            drawSelfDrawnItem(*object, *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (command(LOWORD(wParam), HIWORD(wParam)))
            return TRUE;
        // Commands the browser does not handle are the panel's.
        if (HWND parent = GetParent(window_))
            SendMessageA(parent, translateAcceleratorMessage(), commandForPanel(LOWORD(wParam)), lParam);
        return TRUE;
    case WM_KEYDOWN:
        // A key the combo and the panel's keys left goes on to the panel.
        if (HWND parent = GetParent(window_))
            SendMessageA(parent, WM_KEYDOWN, wParam, lParam);
        return TRUE;
    default:
        break;
    }
    // Keys and commands the browser does not use go to the panel.
    if (message == translateAcceleratorMessage()) {
        const LRESULT taken = SendMessageA(GetParent(window_), message, wParam, lParam);
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, taken);
        return TRUE;
    }
    return FALSE;
}

bool LoopBrowser::command(WORD id, WORD code)
{
    switch (id) {
    case IDC_LOOP_SAVE:
        if (code == BN_CLICKED)
            saveClicked();
        return true;
    case IDC_LOOP_DELETE:
        if (code == BN_CLICKED)
            deleteClicked();
        return true;
    case IDC_LOOP_TREE:
        if (code == CTreeCombo::kChosen)
            load();
        else if (code == FlatTreeCombo::kNameEntered)
            saveIntoTypedName();
        return true;
    case ID_BROWSER_SAVE:
        saveIntoSelected();
        return true;
    case ID_BROWSER_SAVE_AS:
        saveAs();
        return true;
    case ID_BROWSER_DELETE:
        deleteClicked();
        return true;
    case ID_BROWSER_LOAD:
        load();
        return true;
    default:
        return false;
    }
}

void LoopBrowser::report(const char *format, const std::string &path)
{
    char text[MAX_PATH + 128];
    std::snprintf(text, sizeof text, format, path.c_str());
    showMessageBox(window_ ? GetParent(window_) : nullptr, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

bool LoopBrowser::load()
{
    if (!combo_.isFileSelected())
        return false;
    // The chosen file: saving the edits below selects the file it writes.
    const std::string path = combo_.selectedPath();
    // Edited slices are asked about before another loop replaces them.
    if (engine_.anyModified()) {
        GoneNotice::Watch watch(gone_);
        if (!engine_.mayChangePatterns() || watch.gone())
            return false;
    }
    if (combo_.selectPath(path))
        combo_.showSelectedName();
    std::string bytes;
    bool loaded = false;
    try {
        stringStream in(bytes);
        loaded = readWholeFile(path, bytes) && engine_.LoadLoop(in, true);
    } catch (...) {
        loaded = false;
    }
    if (!loaded) {
        report("The loop file\n\"%s\"\ncannot be read.", path);
        return false;
    }
    loopFile_ = path;
    loopFilePad_ = engine_.currentPad();
    return true;
}

void LoopBrowser::saveClicked()
{
    if (GetKeyState(VK_SHIFT) < 0)
        saveIntoSelected();
    else
        saveAs();
}

bool LoopBrowser::saveIntoSelected()
{
    if (!combo_.isFileSelected())
        return saveAs();
    return saveTo(combo_.selectedPath());
}

std::string LoopBrowser::loopFile() const
{
    return loopFilePad_ == engine_.currentPad() ? loopFile_ : std::string();
}

bool LoopBrowser::saveEdits()
{
    const std::string file = loopFile();
    // A loop of no file proposes a free name: the file the combo shows may
    // be the one just chosen to replace the edits.
    return file.empty() ? saveAsNamed(combo_.dropList().freeName()) : saveTo(file);
}

bool LoopBrowser::saveAs()
{
    return saveAsNamed(combo_.selectedName());
}

bool LoopBrowser::saveAsNamed(const std::string &proposed)
{
    SaveFileRequest request;
    request.owner = window_ ? GetParent(window_) : nullptr;
    request.folder = combo_.selectedFolderPath();
    request.name = proposed + extension_;
    request.defaultExtension = extension_.substr(extension_.empty() ? 0 : 1);
    request.filter = "Vostrapellin Loops (" + extension_ + ")|*" + extension_ + "|All Files (*.*)|*.*||";
    std::string path;
    GoneNotice::Watch watch(gone_);
    if (!chooseSaveFile(request, path) || watch.gone())
        return false;
    return saveTo(path);
}

bool LoopBrowser::saveIntoTypedName()
{
    std::string name = combo_.text();
    if (name.size() > extension_.size() &&
        upperCase(name.substr(name.size() - extension_.size())) == upperCase(extension_))
        name.resize(name.size() - extension_.size());
    if (!canNameLoopFile(name)) {
        report("A loop file cannot be named\n\"%s\":\na name is more than dots and spaces, holds none of "
               "\\ / : * ? \" < > | and names no device.",
               name);
        return false;
    }
    const std::string path = combo_.savePath(name);
    const DWORD found = GetFileAttributesA(path.c_str());
    if (found != INVALID_FILE_ATTRIBUTES && !(found & FILE_ATTRIBUTE_DIRECTORY)) {
        char question[MAX_PATH + 96];
        std::snprintf(question, sizeof question,
                      "The loop file\n\"%s\"\nexists already. Do you want to replace it?", name.c_str());
        GoneNotice::Watch watch(gone_);
        if (showMessageBox(window_ ? GetParent(window_) : nullptr, question, kCaption,
                           MB_YESNO | MB_ICONQUESTION) != IDYES ||
            watch.gone())
            return false;
    }
    return saveTo(path);
}

bool LoopBrowser::saveTo(const std::string &path)
{
    // Saving clears the edited slices' marks and names first; a failed save
    // puts every slice back as it was.
    std::array<SliceContentPtr, kSliceCount> before;
    for (int i = 0; i < kSliceCount; ++i)
        before[static_cast<size_t>(i)] = engine_.slice(i).content();
    bool saved = false;
    try {
        std::string bytes;
        stringStream out(bytes);
        if (engine_.SaveLoop(out, true)) {
            SafeFileWriter file(path);
            saved = file.writeBytes(bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size() &&
                    file.commit();
        }
    } catch (...) {
        saved = false;
    }
    if (!saved) {
        for (int i = 0; i < kSliceCount; ++i)
            if (engine_.slice(i).content() != before[static_cast<size_t>(i)]) {
                engine_.slice(i).install(before[static_cast<size_t>(i)]);
                engine_.slice(i).refreshView();
            }
        report("The loop file\n\"%s\"\ncannot be written.", path);
        return false;
    }
    loopFile_ = path;
    loopFilePad_ = engine_.currentPad();
    combo_.dropList().refresh();
    if (combo_.selectPath(path))
        combo_.setText(fileName(path).substr(0, fileName(path).size() - extension_.size()));
    return true;
}

void LoopBrowser::deleteClicked()
{
    if (combo_.isFileSelected()) {
        char question[MAX_PATH + 64];
        std::snprintf(question, sizeof question, "Are you sure you want to delete loop\n\"%s\"?",
                      combo_.selectedName().c_str());
        GoneNotice::Watch watch(gone_);
        const int answer = showMessageBox(GetParent(window_), question, kCaption, MB_YESNO | MB_ICONQUESTION);
        if (watch.gone())
            return;
        if (answer == IDYES) {
            const std::string path = combo_.selectedPath();
            if (DeleteFileA(path.c_str()) && upperCase(path) == upperCase(loopFile_))
                forgetLoopFile();
            combo_.dropList().refresh();
            combo_.showSelectedName();
        }
    }
    if (window_)
        SetFocus(window_);
}

} // namespace Quorvane::LoopSlice
