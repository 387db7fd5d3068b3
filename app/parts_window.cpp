#include "app/parts_window.h"

#include "app/parts_song.h"
#include "app/program_database.h"
#include "app/program_identity.h"
#include "app/program_messages.h"
#include "app/resource_ids.h"
#include "data/evnt_trans.h"
#include "data/lock.h"
#include "data/meff_chain.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "plugin/framework/plugin/qn3_request.h"
#include "sound/soft_synth.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

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

} // namespace

PartsWindow::PartsWindow(const PartsWindowSetup &setup)
    : database_(setup.database), session_(setup.session), bridge_(setup.bridge), profile_(setup.profile),
      noReload_(setup.noReload), stylePath_(setup.stylePath), starterStylePath_(setup.starterStylePath),
      song_(&paramsOrDefault(setup.session), setup.session.SoundManager())
{
    std::fill(std::begin(lengths_), std::end(lengths_), 1);
}

PartsWindow::~PartsWindow()
{
    unhookKeys();
    CloseSequence();
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

HWND PartsWindow::Create(HINSTANCE instance, HWND frame)
{
    frame_ = frame;
    windowThread_ = GetCurrentThreadId();
    window_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PARTS), frame, &PartsWindow::DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (window_)
        hookKeys();
    return window_;
}

INT_PTR CALLBACK PartsWindow::EditorHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto *self = reinterpret_cast<PartsWindow *>(GetWindowLongPtrA(window, DWLP_USER));
    HWND parts = self ? self->window_ : nullptr;
    if (!parts)
        return FALSE;
    switch (message) {
    case WM_CLOSE:
        // The parts window docks a floating editor again.
        PostMessageA(parts, kMsgEditorClosed, 0, reinterpret_cast<LPARAM>(window));
        return TRUE;
    case WM_MOVE:
        self->editorMoved(window);
        return FALSE;
    case WM_ACTIVATE:
        // The parts window stays above a docked editor that the user
        // activates; the focus stays with the editor.
        if (LOWORD(wParam) != WA_INACTIVE && self->isDocked(window))
            SetWindowPos(window, parts, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

SIZE PartsWindow::windowSize() const
{
    RECT r{0, 0, options_.nameWidth + kRightPart, kClientHeight};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, GetMenu(window_) != nullptr, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

void PartsWindow::placeWindow()
{
    const SIZE size = windowSize();
    SetWindowPos(window_, nullptr, options_.posX, options_.posY, size.cx, size.cy,
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
    case WM_WINDOWPOSCHANGING: {
        // The size follows the name column only; minimising stays possible.
        auto *position = reinterpret_cast<WINDOWPOS *>(lParam);
        if (!(position->flags & SWP_NOSIZE) && !IsIconic(window_)) {
            const SIZE size = windowSize();
            position->cx = size.cx;
            position->cy = size.cy;
        }
        return FALSE;
    }
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
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT && setCursor()) {
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONUP:
        endDrag();
        return TRUE;
    case WM_CAPTURECHANGED:
        drag_ = Drag::None;
        setMouseMode({});
        return TRUE;
    case WM_KEYDOWN:
    case kMsgPartsKey:
        onKey(wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kValueEditorId) {
            // The edit control's own notifications carry a code; a commit none.
            if (HIWORD(wParam) == 0)
                bankEdited();
            return TRUE;
        }
        onCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        if (const auto *header = reinterpret_cast<const NMHDR *>(lParam);
            tooltip_ && header->hwndFrom == tooltip_ && header->code == TTN_SHOW) {
            placeTooltip();
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
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
        // While it plays: a device that failed since the start is told of.
        session_.TellIfStreamSilent();
        return TRUE;
    case kMsgDrummerNews:
        drummers_.TakeNews();
        return TRUE;
    case kMsgRedraw: {
        MSG queued;
        while (PeekMessageA(&queued, window_, kMsgRedraw, kMsgRedraw, PM_REMOVE)) {
        }
        // The host may have started or stopped playback: the Play entry too.
        updateMenu();
        Redraw();
        return TRUE;
    }
    case kMsgSwitchPart: {
        // The editors of the part shown go, whatever part the switch was
        // posted from: two host notes in a row both post the part shown
        // before either switch reached the window.
        closeEditors(current_);
        current_ = static_cast<int>(LOWORD(lParam));
        openEditors();
        applyTimeSelection();
        Redraw();
        if (wParam)
            PostMessageA(window_, WM_COMMAND, ID_PLAY, 0);
        return TRUE;
    }
    case kMsgOwedOutputChooser:
        if (outputChooserOwed_ && !busy_) {
            outputChooserOwed_ = false;
            onCommand(ID_OUT_PORT);
        }
        return TRUE;
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
    // Its messages must not let a close in half-way.
    BusyStep busy(*this);
    setUpDone_ = true;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    RegisterClipboardFormatA("Standard MIDI File");
    RegisterClipboardFormatA("QNOV Style");
    // The editor windows belong to the frame, as the parts window does, so
    // that the parts window can lie above them.
    for (HWND &editor : editors_) {
        editor = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDITOR_HOST), frame_,
                                    &PartsWindow::EditorHostProc, reinterpret_cast<LPARAM>(this));
        if (!editor) {
            // Without its editor windows the program cannot show the
            // drummers: it ends.
            SetCursor(old);
            ShowProgramMessage(MsgUnexpectedError, window_);
            return false;
        }
    }
    if (!images_.Load(GetModuleHandleA(nullptr))) {
        SetCursor(old);
        return false;
    }
    bankEditor_.Create(window_, reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0)));
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
    // Without a sound manager the song can hold no parts: the window opens
    // without them (the start said why there is no sound).
    const bool ok = !session_.SoundManager() || buildOrRestore();
    if (built_) {
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
    if (built_) {
        openEditors();
        openOutputEditor();
        // Restored editors float or dock as they did, at their editors'
        // sizes.
        for (int i = 0; i < kEditorWindows; ++i)
            setDocked(i, docked_[i] != 0);
        if (stylePath_.empty() && freshParts_ && !starterStylePath_.empty() &&
            GetFileAttributesA(starterStylePath_.c_str()) != INVALID_FILE_ATTRIBUTES)
            stylePath_ = starterStylePath_;
        if (!stylePath_.empty())
            openCommandLineStyle();
    }
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
        editorSizes_[element] = {static_cast<LONG>(width), static_cast<LONG>(height)};
        sizeEditor(element);
        elem->effect->OpenEditor(host);
    }
    placeEditors();
}

void PartsWindow::openOutputEditor()
{
    IQuorvaneSongTract *tract = song_.GetSongTract();
    CTrackMIDI *track = PartTrack(song_, selected_);
    void *out = track && track->output ? track->output : (tract ? tract->GetNextOut(nullptr) : nullptr);
    IQuorvaneSoftSynth *synth = tract && out ? tract->GetISoftSynth(out) : nullptr;
    HWND host = editors_[3];
    if (!synth || !host)
        return;
    int width = 0, height = 0;
    synth->GetEditorSize(&width, &height);
    if (width <= 0 || height <= 0)
        width = height = 100;
    const char *name = synth->GetName();
    SetWindowTextA(host, name ? name : "");
    editorSizes_[kOutputEditor] = {width, height};
    sizeEditor(kOutputEditor);
    if (synth->OpenEditor(host))
        outputEditor_ = synth;
}

void PartsWindow::closeOutputEditor()
{
    if (outputEditor_)
        outputEditor_->CloseEditor();
    outputEditor_ = nullptr;
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
    const POINT beside = besidePartsWindow();
    // Docked editors share the place beside the parts window; the front one
    // shows.
    for (int i = 0; i < kEditorWindows; ++i) {
        HWND editor = editors_[i];
        if (!editor)
            continue;
        if (docked_[i])
            SetWindowPos(editor, window_, beside.x, beside.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
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
        freshParts_ = true;
        // Fresh parts ask for their output port once the set-up is over.
        outputChooserOwed_ = true;
    }
    int failedElement = 0;
    if (!attachParts(!restored, &failedElement)) {
        // A saved state that holds a drummer that does not load would end
        // every start the same way: the user learns why and how to start
        // without it.
        if (restored)
            ShowProgramText(SavedStateDrummerText(failedElement), window_);
        return false;
    }
    built_ = true;
    updateMenu();
    updateTitle();
    return true;
}

bool PartsWindow::attachParts(bool fresh, int *failedElement)
{
    drummers_.SetSong(song_.GetITembriSong());
    drummers_.measuresChanged = [this](int) { invalidate(3); };
    drummers_.newsWaiting = [this] { PostMessageA(window_, kMsgDrummerNews, 0, 0); };
    applyTimeSelection();
    transport_.SetTempoValue(ReadSongTempo(song_));
    if (!attachDrummers(failedElement))
        return false;
    if (fresh) {
        for (int part = 0; part < kPartCount; ++part) {
            if (IQN3Request *first = drummers_.Request(part, 1))
                first->SetParam(QN3FillMeasure, -1, kFirstFillMeasure);
            if (IQN3Request *second = drummers_.Request(part, 2))
                second->SetParam(QN3FillMeasure, -1, kSecondFillMeasure);
        }
    }
    for (int part = 0; part < kPartCount; ++part) {
        if (CTrackMIDI *track = PartTrack(song_, part)) {
            track->SetPrePlayFn(&PartsWindow::OnPartTrackEvents, this);
            // Room for the length event, so that a part the host switches to
            // on the provider's thread takes it without the heap.
            track->Reserve(track->GetNumb() + 1);
        }
        drummers_.SetParamOnPart(part, kStrengthParam, options_.strength);
    }
    ApplyPartMutes(song_, selected_);
    relayout();
    return true;
}

bool PartsWindow::attachDrummers(int *failedElement)
{
    return AttachPartDrummers(song_, drummers_, &sink_, failedElement);
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
        if (!database_.SaveHibernation(&song_, &state, sizeof(state)))
            ShowProgramMessage(MsgDatabaseError, window_);
        built_ = false;
    } else if (partsLost_) {
        // The parts went with a failed template load: nothing to store.
        ShowProgramMessage(MsgDatabaseError, window_);
    }
    // What the user stored in the database since the start stays, whatever
    // became of the saved state.
    if (setUpDone_) {
        writeOption(option::DBCommitDialog, 0);
        database_.CommitModifications();
    }
    // The engine has stopped; the editors close and the drummers go
    // without the song lock all the same, as they do at a template load.
    closeEditors(current_);
    closeOutputEditor();
    for (HWND &editor : editors_) {
        if (editor && IsWindow(editor))
            DestroyWindow(editor);
        editor = nullptr;
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

void PartsWindow::setDocked(int editor, bool docked)
{
    HWND host = editors_[editor];
    docked_[editor] = docked ? 1 : 0;
    if (!host)
        return;
    const bool placed = floatingPlaced_[editor];
    POINT floatAt = floatingAt_[editor];
    LONG_PTR style = GetWindowLongPtrA(host, GWL_STYLE);
    const LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    style = docked ? (style & ~frame) : (style | frame);
    SetWindowLongPtrA(host, GWL_STYLE, style);
    SetWindowPos(host, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    sizeEditor(editor);
    if (!docked) {
        if (!placed)
            floatAt = firstFloatingPlace(host);
        SetWindowPos(host, nullptr, floatAt.x, floatAt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        floatingAt_[editor] = floatAt;
        floatingPlaced_[editor] = true;
    }
    placeEditors();
}

void PartsWindow::sizeEditor(int editor)
{
    HWND host = editors_[editor];
    if (!host)
        return;
    // The editor's size plus the frame the window has now.
    RECT r{0, 0, editorSizes_[editor].cx, editorSizes_[editor].cy};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(host, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(host, GWL_EXSTYLE)));
    SetWindowPos(host, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT PartsWindow::besidePartsWindow() const
{
    RECT parts{};
    if (window_)
        GetWindowRect(window_, &parts);
    return {parts.right, parts.top};
}

POINT PartsWindow::firstFloatingPlace(HWND host) const
{
    // Beside the parts window where the editor fits on the screen, else
    // under it: either way it covers nothing of the parts window.
    RECT parts{}, editor{};
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window_, &parts);
    GetWindowRect(host, &editor);
    if (parts.right + (editor.right - editor.left) <= work.right)
        return {parts.right, parts.top};
    return {parts.left, parts.bottom};
}

bool PartsWindow::isDocked(HWND host) const
{
    for (int i = 0; i < kEditorWindows; ++i)
        if (editors_[i] == host)
            return docked_[i] != 0;
    return false;
}

void PartsWindow::editorMoved(HWND host)
{
    for (int i = 0; i < kEditorWindows; ++i)
        if (editors_[i] == host && !docked_[i] && floatingPlaced_[i]) {
            RECT r;
            GetWindowRect(host, &r);
            floatingAt_[i] = {r.left, r.top};
        }
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
    // Without audio there is no WAVE result.
    const UINT audio = MF_BYCOMMAND | (audioAvailable_ ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, ID_EXPORT_AUDIO, audio);
    EnableMenuItem(menu, ID_COPY_RESULT_WAVE, audio);
    CheckMenuRadioItem(menu, ID_FORMAT_MIDI, ID_FORMAT_WAVE,
                       options_.oleMidi ? ID_FORMAT_MIDI : ID_FORMAT_WAVE, MF_BYCOMMAND);
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
    if (!onWindowThread()) {
        PostMessageA(window_, kMsgRedraw, 0, 0);
        return;
    }
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
    if (!window_)
        return;
    if (onWindowThread())
        InvalidateRect(window_, nullptr, FALSE);
    else
        PostMessageA(window_, kMsgRedraw, 0, 0);
}

// --- engine callbacks

void PartsWindow::OnHostNotify(ULONG_PTR user, long noteCode, long position, float tempo, long bend, long mod)
{
    auto *self = reinterpret_cast<PartsWindow *>(user);
    if (!self || !self->built_)
        return;
    const auto code = static_cast<unsigned long>(noteCode);
    if (self->busy_) {
        // Under a chooser or dialog the host may stop playback; its tempo,
        // bend and modulation wait for the step's end (the provider tells
        // only changes).
        if ((code & 0xFFFF) == kHostStop || (code & 0xFFFF) == kHostStop2)
            self->transport_.OnHostNotify(code, position, -1.0f, kHostUnchanged, kHostUnchanged);
        self->holdHostValues(tempo, bend, mod);
        return;
    }
    self->transport_.OnHostNotify(code, position, tempo, bend, mod);
}

void PartsWindow::holdHostValues(float tempo, long bend, long mod)
{
    if (tempo > 0.0f)
        heldTempo_ = tempo;
    if (bend != kHostUnchanged)
        heldBend_ = bend;
    if (mod != kHostUnchanged)
        heldMod_ = mod;
    // The step may have ended while the values were kept.
    if (!busy_)
        applyHeldHostValues();
}

void PartsWindow::applyHeldHostValues()
{
    const float tempo = heldTempo_.exchange(-1.0f);
    const long bend = heldBend_.exchange(kHostUnchanged);
    const long mod = heldMod_.exchange(kHostUnchanged);
    if (tempo > 0.0f || bend != kHostUnchanged || mod != kHostUnchanged)
        transport_.OnHostNotify(kHostNoNote, 0, tempo, bend, mod);
}

void PartsWindow::placeTooltip()
{
    // The tool is the whole window: the control's tooltip goes by the
    // cursor, not by the window's edge, and stays on the screen.
    POINT cursor{};
    RECT tip{};
    GetCursorPos(&cursor);
    GetWindowRect(tooltip_, &tip);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT at = PlaceTooltip(cursor, {tip.right - tip.left, tip.bottom - tip.top}, monitor.rcWork);
    SetWindowPos(tooltip_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PartsWindow::busyBegins()
{
    if (tooltip_) {
        SendMessageA(tooltip_, TTM_POP, 0, 0);
        SendMessageA(tooltip_, TTM_ACTIVATE, FALSE, 0);
        tooltipsPaused_ = true;
    }
}

void PartsWindow::busyEnds()
{
    if (built_)
        applyHeldHostValues();
    if (outputChooserOwed_ && window_)
        PostMessageA(window_, kMsgOwedOutputChooser, 0, 0);
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

} // namespace Quorvane
