#include "app/parts_window.h"

#include "app/parts_song.h"
#include "app/program_database.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "app/resource_ids.h"
#include "data/evnt_trans.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/music_text.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "plugin/fill/plugin/qn3_request.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr UINT_PTR kSetUpTimer = 1;
constexpr LONG kStrengthParam = 9;
// Fill drummers of a fresh part play their fills in the second and the
// fourth measure.
constexpr LONG kFirstFillMeasure = 1;
constexpr LONG kSecondFillMeasure = 3;
constexpr int kClientHeight = 140;
constexpr int kRightPart = 544;

const IOPARAMS &paramsOrDefault(SoundSession &session)
{
    static const IOPARAMS defaults;
    return session.Params() ? *session.Params() : defaults;
}

void fill(HDC dc, const RECT &r, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void text(HDC dc, const RECT &r, const char *s, UINT format = DT_CENTER)
{
    RECT box = r;
    DrawTextA(dc, s, -1, &box, format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void frameCell(HDC dc, const RECT &r)
{
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

} // namespace

PartsWindow::PartsWindow(const PartsWindowSetup &setup)
    : database_(setup.database), session_(setup.session), bridge_(setup.bridge), profile_(setup.profile),
      noReload_(setup.noReload), stylePath_(setup.stylePath),
      song_(&paramsOrDefault(setup.session), setup.session.SoundManager())
{
    std::fill(std::begin(lengths_), std::end(lengths_), 1);
}

PartsWindow::~PartsWindow()
{
    CloseSequence();
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

HWND PartsWindow::Create(HINSTANCE instance, HWND frame)
{
    frame_ = frame;
    window_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PARTS), frame, &PartsWindow::DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    return window_;
}

INT_PTR CALLBACK PartsWindow::EditorHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND parts = GetWindow(window, GW_OWNER);
    switch (message) {
    case WM_CLOSE:
        // The parts window docks a floating editor again.
        PostMessageA(parts, kMsgEditorClosed, 0, reinterpret_cast<LPARAM>(window));
        return TRUE;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN && wParam != VK_ESCAPE && wParam != VK_CONTROL && wParam != 'C' &&
            wParam != 'V' && wParam != 'X')
            PostMessageA(parts, WM_KEYDOWN, wParam, lParam);
        return TRUE;
    case WM_MOVE:
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PartsWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        auto *self = reinterpret_cast<PartsWindow *>(lParam);
        self->window_ = window;
        self->onInitDialog();
        return TRUE;
    }
    auto *self = reinterpret_cast<PartsWindow *>(GetWindowLongPtrA(window, DWLP_USER));
    return self ? self->handle(message, wParam, lParam) : FALSE;
}

void PartsWindow::onInitDialog()
{
    options_ = ProgramOptions::Read(profile_);
    RECT work{0, 0, 800, 600};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    options_.placeWithin(work.right - work.left, work.bottom - work.top);
    placeWindow();
    DragAcceptFiles(window_, TRUE);
    PostMessageA(window_, WM_TIMER, kSetUpTimer, 0);
}

void PartsWindow::placeWindow()
{
    RECT r{0, 0, options_.nameWidth + kRightPart, kClientHeight};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, GetMenu(window_) != nullptr, exStyle);
    SetWindowPos(window_, nullptr, options_.posX, options_.posY, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR PartsWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == kSetUpTimer && !setUpDone_) {
            if (!FinishSetUp() && frame_)
                PostMessageA(frame_, WM_CLOSE, 0, 0);
        }
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        RECT client;
        GetClientRect(window_, &client);
        paint(dc, client);
        EndPaint(window_, &ps);
        return TRUE;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(window_, &client);
        paint(reinterpret_cast<HDC>(wParam), client);
        return TRUE;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOVE:
    case WM_ACTIVATE:
        placeEditors();
        return FALSE;
    case WM_LBUTTONDOWN:
        Click(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return TRUE;
    case WM_MOUSEMOVE:
        if (drag_ != Drag::None)
            onDrag(static_cast<short>(LOWORD(lParam)));
        else
            onMouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return TRUE;
    case WM_LBUTTONUP:
        endDrag();
        return TRUE;
    case WM_CAPTURECHANGED:
        drag_ = Drag::None;
        return TRUE;
    case WM_KEYDOWN:
        onKey(wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return TRUE;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            onCommand(SC_CLOSE);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        onCommand(SC_CLOSE);
        return TRUE;
    case WM_DESTROY:
        CloseSequence();
        // The files a drag of the result left beside the program.
        DeleteTemporaryResults();
        return TRUE;
    case kMsgLevels: {
        MSG queued;
        while (PeekMessageA(&queued, window_, kMsgLevels, kMsgLevels, PM_REMOVE)) {
        }
        invalidate(1);
        return TRUE;
    }
    case kMsgSongPointer:
        updatePosition();
        return TRUE;
    case kMsgSwitchPart: {
        closeEditors(static_cast<int>(HIWORD(lParam)));
        current_ = static_cast<int>(LOWORD(lParam));
        openEditors();
        applyTimeSelection();
        Redraw();
        if (wParam)
            PostMessageA(window_, WM_COMMAND, ID_PLAY, 0);
        return TRUE;
    }
    case kMsgEditorClosed:
        for (int i = 0; i < kEditorWindows; ++i)
            if (editors_[i] == reinterpret_cast<HWND>(lParam) && !docked_[i]) {
                setDocked(i, true);
                invalidate(6);
            }
        return TRUE;
    default:
        return FALSE;
    }
}

bool PartsWindow::FinishSetUp()
{
    setUpDone_ = true;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    RegisterClipboardFormatA("Standard MIDI File");
    RegisterClipboardFormatA("QNOV Style");
    for (HWND &editor : editors_) {
        editor = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDITOR_HOST), window_,
                                    &PartsWindow::EditorHostProc, 0);
    }
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, window_,
                               nullptr, nullptr, nullptr);
    if (tooltip_) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(window_);
        tool.lpszText = const_cast<char *>("");
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageA(tooltip_, TTM_ACTIVATE, options_.toolTips, 0);
    }
    const bool ok = buildOrRestore();
    if (ok) {
        if (const IOPARAMS *params = session_.Params())
            exportChoices_.waveFormat = WaveFormatForBits(params->bitsPerSample);
        if (IQuorvaneSongTract *tract = song_.GetSongTract())
            tract->SetMonitor(1, &PartsWindow::OnEngineNotify, reinterpret_cast<ULONG_PTR>(window_));
        song_.SetPlaySPtrCallback(&PartsWindow::OnSongPointer, window_);
        song_.SetLoopFlipFn(&PartsWindow::OnLoopFlip, reinterpret_cast<ULONG_PTR>(this));
        if (IQuorvaneSoundMngr *manager = session_.SoundManager())
            manager->SetNotify(&PartsWindow::OnHostNotify, reinterpret_cast<ULONG_PTR>(this));
        bridge_.SetCallback(
            [](ULONG_PTR user, long channel) {
                auto *self = reinterpret_cast<PartsWindow *>(user);
                self->session_.OnBridgeParamsChanged(*self, channel);
            },
            [](ULONG_PTR user) {
                auto *self = reinterpret_cast<PartsWindow *>(user);
                self->session_.OnBridgeReleased(*self);
            },
            reinterpret_cast<ULONG_PTR>(this));
        EnableAudioStreamCommand(!bridge_.IsAttached());
    }
    if (ok)
        openEditors();
    SetCursor(old);
    Redraw();
    return ok;
}

void PartsWindow::openEditors()
{
    for (int element = 0; element < kDrummerElements; ++element) {
        CMEffElem *elem = PartElement(song_, current_, element);
        HWND host = editors_[element];
        if (!elem || !elem->effect || !host)
            continue;
        long width = 100, height = 100;
        if (!elem->effect->GetEditorSize(width, height) || width <= 0 || height <= 0)
            width = height = 100;
        char title[96];
        const char *name = elem->GetName();
        if (element == 0)
            std::snprintf(title, sizeof(title), "%s", name ? name : "");
        else
            std::snprintf(title, sizeof(title), "%s %i", name ? name : "", element);
        SetWindowTextA(host, title);
        SetWindowPos(host, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        elem->effect->OpenEditor(host);
    }
    placeEditors();
}

void PartsWindow::closeEditors(int part)
{
    for (int element = 0; element < kDrummerElements; ++element)
        if (CMEffElem *elem = PartElement(song_, part, element); elem && elem->effect)
            elem->effect->CloseEditor();
}

void PartsWindow::placeEditors()
{
    if (!window_)
        return;
    RECT parts;
    GetWindowRect(window_, &parts);
    // Docked editors share the place under the parts window; the front one
    // lies on top.
    for (int i = 0; i < kEditorWindows; ++i) {
        HWND editor = editors_[i];
        if (!editor)
            continue;
        if (docked_[i])
            SetWindowPos(editor, nullptr, parts.left, parts.bottom, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(editor, (i == frontEditor_ || !docked_[i]) && IsWindowVisible(window_) ? SW_SHOWNOACTIVATE
                                                                                          : SW_HIDE);
    }
}

bool PartsWindow::buildOrRestore()
{
    built_ = false;
    if (!song_.SetDefault()) {
        ShowProgramMessage(MsgUnexpectedError, window_);
        return false;
    }
    bool restored = false;
    if (!noReload_) {
        std::vector<uint8_t> blob;
        switch (database_.LoadHibernation(&song_, blob)) {
        case Hibernation::Unavailable:
            // Without the database the program still runs, on fresh parts.
            ShowProgramMessage(MsgDatabaseError, window_);
            break;
        case Hibernation::Restored: {
            restored = true;
            SavedPartsState state{};
            if (ReadSavedState(blob.data(), blob.size(), state))
                applyState(state);
            break;
        }
        case Hibernation::Absent:
            break;
        }
    }
    if (!restored) {
        if (!song_.SetDefault()) {
            ShowProgramMessage(MsgUnexpectedError, window_);
            return false;
        }
        if (const int failure = BuildFreshParts(song_, selected_)) {
            ShowProgramMessage(failure, window_);
            return false;
        }
        loop_ = 1;
    }
    drummers_.SetSong(song_.GetITembriSong());
    drummers_.measuresChanged = [this](int) { invalidate(3); };
    applyTimeSelection();
    transport_.SetTempoValue(ReadSongTempo(song_));
    if (!attachDrummers())
        return false;
    if (!restored) {
        for (int part = 0; part < kPartCount; ++part) {
            if (IQN3Request *first = drummers_.Request(part, 1))
                first->SetParam(QN3FillMeasure, -1, kFirstFillMeasure);
            if (IQN3Request *second = drummers_.Request(part, 2))
                second->SetParam(QN3FillMeasure, -1, kSecondFillMeasure);
        }
    }
    for (int part = 0; part < kPartCount; ++part) {
        if (CTrackMIDI *track = PartTrack(song_, part))
            track->SetPrePlayFn(&PartsWindow::OnPartTrackEvents, this);
        drummers_.SetParamOnPart(part, kStrengthParam, options_.strength);
    }
    ApplyPartMutes(song_, selected_);
    relayout();
    built_ = true;
    updateMenu();
    updateTitle();
    return true;
}

bool PartsWindow::attachDrummers()
{
    for (int part = 0; part < kPartCount; ++part)
        for (int element = 0; element < kDrummerElements; ++element) {
            IUnknown *drummer = PartDrummerObject(song_, part, element);
            if (!drummer || !drummers_.Attach(part, element, drummer, &sink_))
                return false;
        }
    return true;
}

void PartsWindow::applyState(const SavedPartsState &state)
{
    current_ = selected_ = state.currentPart;
    frontEditor_ = state.frontEditor;
    std::copy(std::begin(state.partLengths), std::end(state.partLengths), lengths_);
    loop_ = state.loop;
    std::copy(std::begin(state.docked), std::end(state.docked), docked_);
}

SavedPartsState PartsWindow::CurrentState() const
{
    SavedPartsState state{};
    state.magic = kSavedStateMagic;
    state.currentPart = current_;
    state.frontEditor = frontEditor_;
    std::copy(std::begin(lengths_), std::end(lengths_), state.partLengths);
    state.loop = loop_;
    std::copy(std::begin(docked_), std::end(docked_), state.docked);
    return state;
}

void PartsWindow::applyTimeSelection()
{
    CLock lock(song_.GetSyncObj(), 1);
    song_.SetTimeSelection(0, LoopTicks(song_, lengths_[selected_]));
    song_.loop = loop_;
}

void PartsWindow::relayout()
{
    RelayoutPartTracks(song_, lengths_);
}

void PartsWindow::CloseSequence()
{
    if (closed_)
        return;
    closed_ = true;
    IQuorvaneSoundMngr *manager = session_.SoundManager();
    if (manager && manager->IsPlayed())
        manager->StopPlayback();
    bridge_.SetCallback(nullptr, nullptr, 0);
    clearCallbacks();
    if (manager) {
        manager->EngineStop();
        Sleep(100);
    }
    if (window_ && GetCapture() == window_)
        ReleaseCapture();
    if (built_) {
        writeOption(option::NameW, options_.nameWidth);
        if (window_ && !IsIconic(window_)) {
            RECT r;
            GetWindowRect(window_, &r);
            writeOption(option::PosX, r.left);
            writeOption(option::PosY, r.top);
        }
        const SavedPartsState state = CurrentState();
        if (database_.SaveHibernation(&song_, &state, sizeof(state))) {
            writeOption(option::DBCommitDialog, 0);
            database_.CommitModifications();
        }
        built_ = false;
    }
    {
        CLock lock(song_.GetSyncObj(), 1);
        closeEditors(current_);
        for (HWND &editor : editors_) {
            if (editor && IsWindow(editor))
                DestroyWindow(editor);
            editor = nullptr;
        }
    }
    drummers_.ReleaseAll();
    song_.Clear();
    session_.Shutdown();
}

void PartsWindow::clearCallbacks()
{
    if (IQuorvaneSongTract *tract = song_.GetSongTract())
        tract->SetMonitor(0, nullptr, 0);
    song_.SetPlaySPtrCallback(nullptr, nullptr);
    song_.SetLoopFlipFn(nullptr, 0);
    for (int part = 0; part < kPartCount; ++part)
        if (CTrackMIDI *track = PartTrack(song_, part))
            track->SetPrePlayFn(nullptr, nullptr);
}

// --- commands, keys and mouse

void PartsWindow::onCommand(int command)
{
    switch (command) {
    case SC_CLOSE:
        if (busy_)
            return;
        CloseSequence();
        if (frame_)
            PostMessageA(frame_, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    case ID_PLAY:
        if (!IsPlaying() && selected_ != current_)
            SwitchPart(current_, 0, false);
        transport_.TogglePlay();
        break;
    case ID_LOOP: {
        const bool wasPlaying = IsPlaying();
        loop_ = !loop_;
        applyTimeSelection();
        if (wasPlaying && !loop_) {
            transport_.Stop();
            transport_.Start();
        }
        break;
    }
    case ID_METRONOME:
        metronome_ = !metronome_;
        song_.metronome = metronome_;
        break;
    case ID_PART_AUTO_SWITCH:
        writeOption(option::AutoSwitch, options_.autoSwitch = !options_.autoSwitch);
        break;
    case ID_TOOLTIPS:
        writeOption(option::ToolTips, options_.toolTips = !options_.toolTips);
        if (tooltip_)
            SendMessageA(tooltip_, TTM_ACTIVATE, options_.toolTips, 0);
        break;
    case ID_NOTE_NAMES:
        writeOption(option::Notes, options_.notes = !options_.notes);
        invalidate(9);
        break;
    case ID_LATCH:
        writeOption(option::Latch, options_.latch = !options_.latch);
        break;
    case ID_SAVE_STATE:
        writeOption(option::SaveState, options_.saveState = !options_.saveState);
        break;
    case ID_APP_ABOUT:
        if (frame_)
            PostMessageA(frame_, WM_SYSCOMMAND, IDM_ABOUT, 0);
        return;
    default:
        if (onFileCommand(command))
            break;
        if (command >= ID_MEASURES_1 && command <= ID_MEASURES_8) {
            lengths_[current_] = command - ID_MEASURES_1 + 1;
            applyTimeSelection();
            relayout();
            Redraw();
        }
        break;
    }
    updateMenu();
}

void PartsWindow::onKey(WPARAM key, LPARAM flags)
{
    const bool repeat = (flags & (1 << 30)) != 0;
    if (key == VK_SPACE && !repeat) {
        onCommand(ID_PLAY);
        return;
    }
    if (key == VK_F1) {
        PostMessageA(window_, WM_COMMAND, ID_HELP_MANUAL, 0);
        return;
    }
    if (!(GetKeyState(VK_CONTROL) & 0x8000))
        return;
    int part = -1;
    if (key == VK_UP || key == VK_DOWN) {
        frontEditor_ = (frontEditor_ + (key == VK_UP ? 3 : 1)) % kEditorWindows;
        placeEditors();
        invalidate(2);
        return;
    }
    if (key == VK_ADD || key == VK_OEM_PLUS)
        part = std::min(current_ + 1, kPartCount - 1);
    else if (key == VK_SUBTRACT || key == VK_OEM_MINUS)
        part = std::max(current_ - 1, 0);
    else if (key >= '1' && key <= '9')
        part = static_cast<int>(key - '1');
    else if (key >= VK_NUMPAD1 && key <= VK_NUMPAD9)
        part = static_cast<int>(key - VK_NUMPAD1);
    else if (key == '0' || key == VK_NUMPAD0)
        part = 9;
    if (part >= 0 && part != current_) {
        const bool wasPlaying = IsPlaying();
        if (wasPlaying)
            transport_.Stop();
        SwitchPart(part, 1, wasPlaying);
    }
}

void PartsWindow::Click(int x, int y)
{
    const PartsHit hit = HitTestParts(x, y, options_.nameWidth);
    switch (hit.region) {
    case PartsRegion::PartGrid:
        if (hit.index != current_) {
            const bool wasPlaying = IsPlaying();
            if (wasPlaying)
                transport_.Stop();
            SwitchPart(hit.index, 1, wasPlaying);
        }
        break;
    case PartsRegion::DrummerRow:
        frontEditor_ = hit.index;
        placeEditors();
        invalidate(2);
        break;
    case PartsRegion::MuteColumn:
        if (CMEffElem *elem = PartElement(song_, current_, hit.index)) {
            CLock lock(song_.GetSyncObj(), 1);
            PartTrack(song_, current_)->effects.ActiveMEffElem(elem);
            if (hit.index > 0)
                drummers_.Mirror(current_, hit.index).inactive = !elem->active;
        }
        invalidate(7);
        break;
    case PartsRegion::MeasureRuler:
        lengths_[current_] = hit.index + 1;
        applyTimeSelection();
        relayout();
        Redraw();
        break;
    case PartsRegion::MeasureCell:
        if (IQN3Request *fill = drummers_.Request(current_, hit.element))
            fill->SetParam(QN3FillMeasure, -1, hit.index);
        drummers_.Mirror(current_, hit.element).params[0] = hit.index;
        drummers_.LayOut(current_, hit.element);
        invalidate(3);
        break;
    case PartsRegion::DockColumn:
        setDocked(hit.index, !docked_[hit.index]);
        invalidate(6);
        break;
    case PartsRegion::OutputDock:
        setDocked(3, !docked_[3]);
        invalidate(6);
        break;
    case PartsRegion::LevelDrag:
        // The output's volume and panning are not offered yet.
        if (hit.index == 2) {
            drag_ = Drag::Tempo;
            SetCapture(window_);
            onDrag(x);
        }
        break;
    case PartsRegion::ResizeGrip:
        drag_ = Drag::Resize;
        dragOriginX_ = x;
        dragOriginWidth_ = options_.nameWidth;
        SetCapture(window_);
        break;
    case PartsRegion::LevelDefault:
        if (hit.index == 2)
            transport_.SetTempo(kDefaultTempo);
        invalidate(8);
        break;
    case PartsRegion::Metronome:
        onCommand(ID_METRONOME);
        break;
    case PartsRegion::PlayStop:
        onCommand(ID_PLAY);
        break;
    case PartsRegion::Loop:
        onCommand(ID_LOOP);
        break;
    default:
        break;
    }
}

void PartsWindow::onDrag(int x)
{
    if (drag_ == Drag::Tempo) {
        // The bar spans the tempo range.
        const int left = options_.nameWidth + 382, width = 130;
        const float share = std::clamp(static_cast<float>(x - left) / width, 0.0f, 1.0f);
        transport_.SetTempo(std::round(kMinTempo + share * (kMaxTempo - kMinTempo)));
        invalidate(8);
    } else if (drag_ == Drag::Resize) {
        const int width = std::clamp(dragOriginWidth_ + x - dragOriginX_, kMinNameWidth, kMaxNameWidth);
        if (width != options_.nameWidth) {
            options_.nameWidth = width;
            RECT r;
            GetWindowRect(window_, &r);
            options_.posX = r.left;
            options_.posY = r.top;
            placeWindow();
            Redraw();
        }
    }
}

void PartsWindow::endDrag()
{
    if (drag_ == Drag::None)
        return;
    drag_ = Drag::None;
    if (GetCapture() == window_)
        ReleaseCapture();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void PartsWindow::setDocked(int editor, bool docked)
{
    HWND host = editors_[editor];
    docked_[editor] = docked ? 1 : 0;
    if (!host)
        return;
    LONG_PTR style = GetWindowLongPtrA(host, GWL_STYLE);
    const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    style = docked ? (style & ~frame) : (style | frame);
    SetWindowLongPtrA(host, GWL_STYLE, style);
    SetWindowPos(host, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    placeEditors();
}

void PartsWindow::updatePosition()
{
    int markers[kDrummerElements] = {-1, -1, -1};
    if (current_ == selected_ && IsPlaying()) {
        long bar = 0, beat = 0, tick = 0;
        const long position = song_.currentTick;
        song_.SongGetMBTFromTime(position, bar, beat, tick);
        if (bar >= lengths_[current_]) {
            if (!loop_)
                return;
            bar = 0;
        }
        markers[0] = static_cast<int>(bar);
        for (int fill = 1; fill < kDrummerElements; ++fill) {
            const FillMirror &m = drummers_.Mirror(current_, fill);
            if (position >= m.fillStart && position <= m.fillEnd)
                markers[fill] = static_cast<int>(bar);
        }
    } else {
        std::fill(std::begin(markers_), std::end(markers_), -1);
        invalidate(3);
        invalidate(10);
        return;
    }
    if (!std::equal(std::begin(markers), std::end(markers), markers_)) {
        std::copy(std::begin(markers), std::end(markers), markers_);
        invalidate(3);
    }
}

void PartsWindow::onMouseMove(int x, int y)
{
    const int index = HitTestParts(x, y, options_.nameWidth).tooltip;
    if (index == tooltipIndex_ || !tooltip_)
        return;
    tooltipIndex_ = index;
    if (!options_.toolTips)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = const_cast<char *>(PartsTooltipText(index));
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void PartsWindow::updateMenu()
{
    HMENU menu = window_ ? GetMenu(window_) : nullptr;
    if (!menu)
        return;
    auto check = [menu](UINT id, bool on) { CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : 0)); };
    check(ID_LOOP, loop_);
    check(ID_METRONOME, metronome_);
    check(ID_PART_AUTO_SWITCH, options_.autoSwitch);
    check(ID_TOOLTIPS, options_.toolTips);
    check(ID_NOTE_NAMES, options_.notes);
    check(ID_LATCH, options_.latch);
    check(ID_SAVE_STATE, options_.saveState);
    for (int m = 0; m < kMaxPartMeasures; ++m)
        check(ID_MEASURES_1 + m, lengths_[current_] == m + 1);
    ModifyMenuA(menu, ID_PLAY, MF_BYCOMMAND | MF_STRING, ID_PLAY,
                IsPlaying() ? "&Stop\tSpace" : "&Play\tSpace");
}

void PartsWindow::updateTitle()
{
    if (!window_)
        return;
    // The file's name without its folder (up to the last "\\", else ":")
    // and extension.
    std::string name = fileTitle_;
    size_t folder = name.find_last_of('\\');
    if (folder == std::string::npos)
        folder = name.find_last_of(':');
    if (folder != std::string::npos)
        name.erase(0, folder + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    const std::string title =
        name.empty() ? std::string(kProgramTitle) : std::string(kProgramTitle) + " - " + name;
    SetWindowTextA(window_, title.c_str());
}

void PartsWindow::invalidate(int area)
{
    if (!window_)
        return;
    RECT client;
    GetClientRect(window_, &client);
    const RECT r = PartsRedrawArea(area, options_.nameWidth, client);
    InvalidateRect(window_, &r, FALSE);
}

void PartsWindow::EnableAudioStreamCommand(bool enable)
{
    if (HMENU menu = window_ ? GetMenu(window_) : nullptr)
        EnableMenuItem(menu, ID_AUDIO_STREAM, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void PartsWindow::StopIfPlaying()
{
    if (IsPlaying())
        transport_.TogglePlay();
}

// --- TransportHost

bool PartsWindow::IsPlaying()
{
    IQuorvaneSoundMngr *manager = session_.SoundManager();
    return manager && manager->IsPlayed();
}

void PartsWindow::StartPlayback(long startOffset)
{
    IQuorvaneSoundMngr *manager = session_.SoundManager();
    if (!manager)
        return;
    song_.JumpSongPtr(startOffset);
    manager->StartPlayback(song_.GetSongTract());
}

void PartsWindow::StopPlayback()
{
    if (IQuorvaneSoundMngr *manager = session_.SoundManager())
        manager->StopPlayback();
    song_.JumpSongPtr(0);
    std::fill(std::begin(markers_), std::end(markers_), -1);
    invalidate(3);
    invalidate(10);
}

long PartsWindow::TicksPerQuarter()
{
    return song_.SongGetTimeBase();
}

long PartsWindow::LoopLength()
{
    return LoopTicks(song_, lengths_[selected_]);
}

long PartsWindow::MeasureLength()
{
    return LoopTicks(song_, 1);
}

long PartsWindow::SongPosition()
{
    return song_.currentTick;
}

void PartsWindow::JumpSongPtr(long tick)
{
    song_.JumpSongPtr(tick);
}

void PartsWindow::SwitchPart(int part, int mode, bool restart)
{
    if (part < 0 || part >= kPartCount)
        return;
    const int old = current_;
    selected_ = part;
    {
        CLock lock(song_.GetSyncObj(), 1);
        ApplyPartMutes(song_, selected_);
    }
    applyTimeSelection();
    relayout();
    Redraw();
    const LPARAM switched = static_cast<LPARAM>(old << 16 | part);
    if (mode == 1 && window_)
        PostMessageA(window_, kMsgSwitchPart, restart ? 1 : 0, switched);
    else if (mode == 2 && window_)
        SendMessageA(window_, kMsgSwitchPart, restart ? 1 : 0, switched);
    else if (mode == 0 && part != current_) {
        closeEditors(current_);
        current_ = part;
        openEditors();
    }
}

void PartsWindow::SetDrummerParam(int part, long id, long value)
{
    drummers_.SetParamOnPart(part, id, value);
}

long PartsWindow::PartChannel(int part)
{
    CTrackMIDI *track = PartTrack(song_, part);
    return track ? track->channel : -1;
}

long PartsWindow::SamplesOfTicks(long ticks)
{
    return static_cast<long>(song_.SongGetSampleFromTime(ticks) - song_.SongGetSampleFromTime(0));
}

void PartsWindow::WriteFirstTempo(float beatsPerMinute)
{
    Quorvane::WriteFirstTempo(song_, beatsPerMinute);
    invalidate(8);
}

void PartsWindow::InsertTempoHere(float beatsPerMinute)
{
    CTrackMaster *master = song_.GetTrackMaster();
    if (!master)
        return;
    CLock lock(song_.GetSyncObj(), 1);
    EVENT tempo;
    if (!tempo.setTempo(beatsPerMinute))
        return;
    tempo.time = static_cast<int32_t>(song_.currentTick);
    master->AddToTail(&tempo, 1);
    master->Sort();
    master->UpdateParams(0);
}

void PartsWindow::EraseInsertedTempos()
{
    CTrackMaster *master = song_.GetTrackMaster();
    if (!master)
        return;
    CLock lock(song_.GetSyncObj(), 1);
    bool first = true;
    for (long i = 0; i < master->GetNumb(); ++i) {
        if (!master->GetEvent(i)->IsTempo())
            continue;
        if (first) {
            first = false;
            continue;
        }
        master->Delete(i--, 1);
    }
    master->UpdateParams(0);
}

void PartsWindow::Redraw()
{
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

// --- engine callbacks

void PartsWindow::OnHostNotify(ULONG_PTR user, long noteCode, long position, float tempo, long bend, long mod)
{
    auto *self = reinterpret_cast<PartsWindow *>(user);
    if (self && self->built_)
        self->transport_.OnHostNotify(static_cast<unsigned long>(noteCode), position, tempo, bend, mod);
}

void PartsWindow::OnEngineNotify(ULONG_PTR window)
{
    HWND handle = reinterpret_cast<HWND>(window);
    if (IsWindow(handle))
        PostMessageA(handle, kMsgLevels, 0, 0);
}

void PartsWindow::OnSongPointer(void *window)
{
    HWND handle = static_cast<HWND>(window);
    if (IsWindow(handle))
        PostMessageA(handle, kMsgSongPointer, 0, 0);
}

void PartsWindow::OnLoopFlip(CSong *, ULONG_PTR user)
{
    reinterpret_cast<PartsWindow *>(user)->transport_.OnLoopFlip();
}

CEvntTransChain *PartsWindow::OnPartTrackEvents(CEvntTransChain *chain, long tick, long endTick, void *user)
{
    return static_cast<PartsWindow *>(user)->transport_.FilterBlock(chain, tick, endTick);
}

// --- painting

void PartsWindow::paint(HDC dc, const RECT &client)
{
    const int W = options_.nameWidth;
    fill(dc, client, RGB(48, 52, 60));
    SetTextColor(dc, RGB(230, 230, 230));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));

    text(dc, {6, 6, 84, 28}, "Parts");
    for (int part = 0; part < kPartCount; ++part) {
        const RECT cell{6 + (part % 3) * kRowHeight, kRowsTop + (part / 3) * kRowHeight,
                        6 + (part % 3 + 1) * kRowHeight, kRowsTop + (part / 3 + 1) * kRowHeight};
        if (part == current_)
            fill(dc, cell, RGB(90, 150, 220));
        else if (part == selected_)
            fill(dc, cell, RGB(70, 90, 120));
        frameCell(dc, cell);
        char label[16];
        if (options_.notes)
            GetNoteText(part, label, 0, 0, 0);
        else
            std::snprintf(label, sizeof(label), "%d", part + 1);
        text(dc, cell, label);
    }

    text(dc, {90, 6, W + 90, 28}, "Drummers", DT_LEFT);
    text(dc, {W + 90, 6, W + 116, 28}, "P");
    text(dc, {W + 116, 6, W + 142, 28}, "D");
    text(dc, {W + 142, 6, W + 168, 28}, "M");
    CTrackMIDI *track = built_ ? PartTrack(song_, current_) : nullptr;
    CMEffElem *elem = track ? track->effects.GetFirstElem() : nullptr;
    for (int row = 0; row < kDrummerElements; ++row) {
        const int top = kRowsTop + row * kRowHeight;
        const RECT name{90, top, W + 90, top + kRowHeight};
        if (row == frontEditor_)
            fill(dc, name, RGB(64, 72, 86));
        frameCell(dc, name);
        char label[96];
        const char *drummer = elem ? elem->GetName() : nullptr;
        if (row == 0)
            std::snprintf(label, sizeof(label), " %s", drummer ? drummer : "-");
        else
            std::snprintf(label, sizeof(label), " %s %d", drummer ? drummer : "-", row);
        text(dc, name, label, DT_LEFT);
        text(dc, {W + 90, top, W + 116, top + kRowHeight}, "P");
        text(dc, {W + 116, top, W + 142, top + kRowHeight}, docked_[row] ? "D" : "F");
        text(dc, {W + 142, top, W + 168, top + kRowHeight}, elem && elem->IsActive() ? "" : "M");
        for (int m = 0; m < kMaxPartMeasures; ++m) {
            const RECT cell{W + 168 + m * kRowHeight, top, W + 168 + (m + 1) * kRowHeight, top + kRowHeight};
            const bool inPart = m < lengths_[current_];
            if (row > 0 && inPart && drummers_.Mirror(current_, row).params[0] == m)
                fill(dc, cell, RGB(200, 140, 60));
            else if (!inPart)
                fill(dc, cell, RGB(70, 70, 70));
            if (m == markers_[row])
                fill(dc, {cell.left + 9, cell.top + 9, cell.right - 9, cell.bottom - 9}, RGB(250, 250, 120));
            frameCell(dc, cell);
        }
        elem = elem ? static_cast<CMEffElem *>(elem->next) : nullptr;
    }
    for (int m = 0; m < kMaxPartMeasures; ++m) {
        const RECT cell{W + 168 + m * kRowHeight, 6, W + 168 + (m + 1) * kRowHeight, 28};
        if (m < lengths_[current_])
            fill(dc, cell, RGB(80, 110, 90));
        char label[4];
        std::snprintf(label, sizeof(label), "%d", m + 1);
        text(dc, cell, label);
        frameCell(dc, cell);
    }

    const RECT output{90, 106, W + 82, 132};
    frameCell(dc, output);
    text(dc, output, " Output", DT_LEFT);
    const char *const rows[] = {"Vol", "Pan", "Tempo"};
    for (int row = 0; row < 3; ++row) {
        const int top = kRowsTop + row * kRowHeight;
        const RECT bar{W + 382, top, W + 512, top + kRowHeight};
        frameCell(dc, bar);
        text(dc, {W + 384, top, W + 440, top + kRowHeight}, rows[row], DT_LEFT);
        if (row == 2) {
            char tempo[32];
            std::snprintf(tempo, sizeof(tempo), "%.1f", transport_.Tempo());
            text(dc, {W + 440, top, W + 510, top + kRowHeight}, tempo, DT_RIGHT);
        }
        text(dc, {W + 512, top, W + 538, top + kRowHeight}, "D");
    }
    const char *const buttons[] = {"C", "Dr", "Mt", IsPlaying() ? "Stop" : "Play", loop_ ? "Lp" : "1x"};
    const int edges[] = {382, 408, 434, 460, 512, 538};
    for (int b = 0; b < 5; ++b) {
        const RECT r{W + edges[b], 106, W + edges[b + 1], 133};
        frameCell(dc, r);
        text(dc, r, buttons[b]);
    }
    SelectObject(dc, oldFont);
}

} // namespace Quorvane
