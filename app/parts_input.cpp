// The parts window's commands, keys and mouse.
#include "app/parts_window.h"

#include "app/options/output_strip.h"
#include "app/parts_keys.h"
#include "app/parts_song.h"
#include "data/meff_chain.h"
#include "data/track_midi.h"
#include "app/program_identity.h"
#include "app/resource_ids.h"
#include "plugin/framework/gui/text_keys.h"
#include "plugin/framework/plugin/qn3_request.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace Quorvane {

void PartsWindow::onCommand(int command)
{
    // Under a chooser or dialog the window neither closes nor plays; what
    // reaches it meanwhile (posted, or keys from an editor window) is
    // dropped.
    if (busy_)
        return;
    switch (command) {
    case SC_CLOSE:
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
        invalidate(10); // the button shows the new state
        break;
    }
    case ID_METRONOME:
        metronome_ = !metronome_;
        song_.metronome = metronome_;
        invalidate(10);
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
        if (BusyStep busy(*this); onFileCommand(command) || onOptionCommand(command))
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
    if (busy_)
        return;
    const bool repeat = (flags & (1 << 30)) != 0;
    const PartsKey meaning = ReadPartsKey(key, (GetKeyState(VK_CONTROL) & 0x8000) != 0, repeat, current_);
    switch (meaning.action) {
    case PartsKeyAction::None:
        return;
    case PartsKeyAction::PlayStop:
        onCommand(ID_PLAY);
        return;
    case PartsKeyAction::Help:
        PostMessageA(window_, WM_COMMAND, ID_HELP_MANUAL, 0);
        return;
    case PartsKeyAction::EditorUp:
    case PartsKeyAction::EditorDown:
        frontEditor_ = (frontEditor_ + (meaning.action == PartsKeyAction::EditorUp ? 3 : 1)) % kEditorWindows;
        placeEditors();
        invalidate(2);
        return;
    case PartsKeyAction::SelectPart:
        if (meaning.part != current_) {
            const bool wasPlaying = IsPlaying();
            if (wasPlaying)
                transport_.Stop();
            SwitchPart(meaning.part, 1, wasPlaying);
        }
        return;
    }
}

namespace {

// The parts window whose keys its thread's message hook routes.
thread_local PartsWindow *keysWindow = nullptr;

} // namespace

void PartsWindow::hookKeys()
{
    if (keyHook_)
        return;
    keysWindow = this;
    keyHook_ = SetWindowsHookExA(WH_GETMESSAGE, &PartsWindow::KeyHook, nullptr, GetCurrentThreadId());
}

void PartsWindow::unhookKeys()
{
    if (keyHook_)
        UnhookWindowsHookEx(keyHook_);
    keyHook_ = nullptr;
    if (keysWindow == this)
        keysWindow = nullptr;
}

KeyPlace PartsWindow::keyPlace(HWND target) const
{
    if (!target)
        return KeyPlace::Elsewhere;
    const auto within = [target](HWND window) {
        return window && (target == window || IsChild(window, target));
    };
    if (bankEditor_.Editing() && target == bankEditor_.Handle())
        return KeyPlace::Elsewhere;
    if (within(window_) || (frame_ && target == frame_))
        return KeyPlace::PartsWindow;
    for (HWND editor : editors_)
        if (within(editor))
            return isTakingText(target) ? KeyPlace::TextField : KeyPlace::EditorWindow;
    return KeyPlace::Elsewhere;
}

LRESULT CALLBACK PartsWindow::KeyHook(int code, WPARAM removal, LPARAM message)
{
    auto *msg = reinterpret_cast<MSG *>(message);
    PartsWindow *self = keysWindow;
    if (code == HC_ACTION && removal == PM_REMOVE && self && msg->message == WM_KEYDOWN) {
        const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
        const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
        const bool repeat = (msg->lParam & (1 << 30)) != 0;
        switch (RouteKey(self->keyPlace(msg->hwnd), msg->wParam, control, alt, repeat)) {
        case KeyRoute::Pass:
            break;
        case KeyRoute::PartsWindow:
            // Dispatched to the parts window in place of the focused window.
            msg->hwnd = self->window_;
            msg->message = kMsgPartsKey;
            break;
        case KeyRoute::Swallow:
            msg->message = WM_NULL;
            break;
        }
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

void PartsWindow::Click(int x, int y)
{
    if (busy_)
        return;
    const PartsHit hit = HitTestParts(x, y, options_.nameWidth);
    setMouseMode(hit);
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
            // The chain switches the drummer under the song lock and tells
            // it of a running song's start or stop without the lock.
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
    case PartsRegion::PresetColumn:
        chooseDrummerPreset(hit.index);
        break;
    case PartsRegion::OutputPreset:
        chooseOutputPreset();
        break;
    case PartsRegion::DockColumn:
        setDocked(hit.index, !docked_[hit.index]);
        invalidate(6);
        break;
    case PartsRegion::OutputName:
        frontEditor_ = 3;
        placeEditors();
        invalidate(2);
        break;
    case PartsRegion::OutputChooser:
        onCommand(ID_OUT_PORT);
        break;
    case PartsRegion::Channel:
        chooseOutputField(OutputField::Channel, options_.nameWidth + 142);
        break;
    case PartsRegion::BankMethod:
        chooseOutputField(OutputField::BankMethod, options_.nameWidth + 194);
        break;
    case PartsRegion::Bank:
        editBank();
        break;
    case PartsRegion::BankList:
        chooseOutputField(OutputField::Bank, options_.nameWidth + 220);
        break;
    case PartsRegion::Program:
        chooseOutputField(OutputField::Program, options_.nameWidth + 298);
        break;
    case PartsRegion::CopyResult:
        copyResult();
        break;
    case PartsRegion::DragResult:
        dragResult();
        break;
    case PartsRegion::OutputDock:
        setDocked(3, !docked_[3]);
        invalidate(6);
        break;
    case PartsRegion::LevelDrag: {
        void *bus = nullptr;
        if (hit.index < 2 && !outputBus(bus))
            break;
        drag_ = hit.index == 0 ? Drag::Volume : hit.index == 1 ? Drag::Panning : Drag::Tempo;
        SetCapture(window_);
        onDrag(x);
        break;
    }
    case PartsRegion::ResizeGrip:
        drag_ = Drag::Resize;
        dragOriginX_ = x;
        dragOriginWidth_ = options_.nameWidth;
        SetCapture(window_);
        if (images_.ResizeCursor())
            SetCursor(images_.ResizeCursor());
        break;
    case PartsRegion::LevelDefault: {
        float volume = 1.0f, panning = 1.0f;
        if (hit.index == 2) {
            transport_.SetTempo(kDefaultTempo);
        } else if (Levels(volume, panning)) {
            // The other level stays.
            setLevels(hit.index == 0 ? 1.0f : volume, hit.index == 1 ? 1.0f : panning);
        }
        invalidate(8);
        invalidate(1);
        break;
    }
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
    // Drags and default buttons last until the button is released.
    if (drag_ == Drag::None && hit.region != PartsRegion::LevelDefault)
        setMouseMode({});
}

PartsHit PartsWindow::MouseMode() const
{
    if (bankEditor_.Editing())
        return PartsHit{PartsRegion::Bank, 0, 0, 20};
    return mouseMode_;
}

void PartsWindow::setMouseMode(const PartsHit &mode)
{
    const RECT before = PartsControlArea(mouseMode_.region, mouseMode_.index, options_.nameWidth);
    const RECT after = PartsControlArea(mode.region, mode.index, options_.nameWidth);
    mouseMode_ = IsRectEmpty(&after) ? PartsHit{} : mode;
    if (!window_ || (IsRectEmpty(&before) && IsRectEmpty(&after)))
        return;
    InvalidateRect(window_, &before, FALSE);
    InvalidateRect(window_, &after, FALSE);
    UpdateWindow(window_);
}

bool PartsWindow::outputBus(void *&bus)
{
    IQuorvaneSongTract *tract = song_.GetSongTract();
    CTrackMIDI *track = PartTrack(song_, selected_);
    void *out = track && track->output ? track->output : (tract ? tract->GetNextOut(nullptr) : nullptr);
    if (!tract || !out)
        return false;
    const long number = tract->GetOutBus(out);
    if (number < 0)
        return false;
    bus = tract->GetBusByNumb(number);
    return true;
}

bool PartsWindow::Levels(float &volume, float &panning)
{
    void *bus = nullptr;
    if (!outputBus(bus))
        return false;
    long effects = 0;
    volume = panning = 1.0f;
    song_.GetSongTract()->GetBusInfo(bus, volume, panning, effects);
    return true;
}

void PartsWindow::setLevels(float volume, float panning)
{
    void *bus = nullptr;
    if (outputBus(bus))
        song_.GetSongTract()->SetBusInfo(bus, volume, panning);
}

void PartsWindow::onDrag(int x)
{
    // Each bar spans its value's range: volume and panning 0..2 (1.0 unity
    // and centre), the tempo 10..500.
    const int left = options_.nameWidth + 382, width = 130;
    const float share = std::clamp(static_cast<float>(x - left) / width, 0.0f, 1.0f);
    float volume = 1.0f, panning = 1.0f;
    if (drag_ == Drag::Tempo) {
        transport_.SetTempo(std::round(kMinTempo + share * (kMaxTempo - kMinTempo)));
        invalidate(8);
    } else if ((drag_ == Drag::Volume || drag_ == Drag::Panning) && Levels(volume, panning)) {
        if (drag_ == Drag::Volume)
            setLevels(2.0f * share, panning);
        else
            setLevels(volume, 2.0f * share);
        invalidate(8);
        invalidate(1);
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
    setMouseMode({});
    if (drag_ == Drag::None)
        return;
    drag_ = Drag::None;
    if (GetCapture() == window_)
        ReleaseCapture();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

bool PartsWindow::setCursor()
{
    POINT at;
    if (!images_.ResizeCursor() || !GetCursorPos(&at) || !ScreenToClient(window_, &at))
        return false;
    if (drag_ != Drag::Resize &&
        HitTestParts(at.x, at.y, options_.nameWidth).region != PartsRegion::ResizeGrip)
        return false;
    SetCursor(images_.ResizeCursor());
    return true;
}

void PartsWindow::onMouseMove(int x, int y)
{
    const int index = HitTestParts(x, y, options_.nameWidth).tooltip;
    if (index == tooltipIndex_ || !tooltip_)
        return;
    tooltipIndex_ = index;
    if (tooltipsPaused_) {
        // Back after a chooser, dialog or popup, once the mouse left the
        // control that opened it.
        tooltipsPaused_ = false;
        SendMessageA(tooltip_, TTM_ACTIVATE, options_.toolTips, 0);
    }
    if (!options_.toolTips)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = const_cast<char *>(PartsTooltipText(index));
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

} // namespace Quorvane
