// The tracks window's mouse: presses by cell, drags of sliders, up/down
// values and column borders, double clicks and the wheel.
#include "gui/windows/tracks_window.h"

#include "data/song.h"
#include "data/track.h"
#include "gui/draw/names.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/song_tract_window.h"
#include "gui/windows/tracks_layout.h"

#include <algorithm>
#include <cstdio>

namespace Quorvane {

using namespace tracks_layout;

namespace {

const char *const kSliderStatus[2] = {"Edit track's Volume", "Edit track's Panning"};
const char *const kUpDownStatus[2] = {"Edit track's Key+", "Edit track's Time+"};

} // namespace

long CTracksWindow::ResizableColumnLeftOf(long column) const
{
    for (long c = column; c >= 0; --c)
        if (kColumns[c].minimum > 0)
            return c;
    return -1;
}

void CTracksWindow::EndGesture()
{
    if (dragState != kDragNone && client)
        client->GUICLSetCapture(0);
    dragState = kDragNone;
}

void CTracksWindow::OnLButtonDown(long x, long y, int flag1, int flag2)
{
    EndGesture();
    if (!song)
        return;
    const long row = GetRow(y);
    if (row < 0) {
        const long border = GetColumnBorder(x);
        const long column = border >= 0 ? ResizableColumnLeftOf(border) : -1;
        if (column < 0)
            return;
        dragState = kDragResize;
        SetEditItem(-1, column);
        dragX = x;
        char text[64];
        std::snprintf(text, sizeof text, "Resize '%s'", kColumns[column].caption);
        if (client) {
            client->GUICLSetStatusText(0, text);
            client->GUICLSetCapture(1);
        }
        SetCursorType(CURSOR_RESIZE);
        UpdateTrack(-1, column, 0);
        return;
    }
    CTrack *track = song->GetTrack(row);
    const long column = GetColumn(x);
    if (!track || column < 0)
        return;
    OnPressCell(track, row, column, x, flag1, flag2);
}

void CTracksWindow::OnPressCell(CTrack *track, long row, long column, long x, int flag1, int flag2)
{
    const long kind = track->GetKind();
    const KindCells &cells = CellsOf(kind);
    const QUAD cell = GetItemQuad(row, column, 0);
    switch (column) {
    case TRCOL_NUMBER:
        SelectTrack(track, flag1, flag2);
        break;
    case TRCOL_MUTE:
    case TRCOL_SOLO:
    case TRCOL_USE:
        if (column == TRCOL_MUTE)
            track->SetMute(!track->IsMute());
        else if (column == TRCOL_SOLO)
            track->SetSolo(!track->IsSolo());
        else
            track->SetUseS(!track->IsUseS());
        if (column == TRCOL_SOLO)
            song->CheckSolo();
        UpdateTrack(row, column, 0);
        MarkModified(song, client);
        break;
    case TRCOL_OUT: {
        if (kind == TRACK_AUDIO || !client)
            break;
        client->GUICLSetStatusText(0, "Edit track's Out Port");
        SetEditItem(row, column);
        UpdateTrack(row, column, 0);
        QUAD q = cell;
        const auto port = reinterpret_cast<void *>(
            client->GUICLRequest(kind == TRACK_CHORDS ? TRREQ_CHORD_PORT : TRREQ_PORT,
                                 reinterpret_cast<LONG_PTR>(track->output), reinterpret_cast<LONG_PTR>(&q)));
        SetEditItem(kNoEditItem, kNoEditItem);
        if (port && port != track->output) {
            track->output = port;
            MarkModified(song, client);
            if (liason)
                liason->CallUpdateTrackOnPortChanging(track);
        }
        UpdateTrack(row, column, 0);
        client->GUICLClearStatusText(0);
        break;
    }
    case TRCOL_CHANNEL: {
        if (!cells.channel || !client)
            break;
        client->GUICLSetStatusText(0, "Edit track's Channel");
        SetEditItem(row, column);
        UpdateTrack(row, column, 0);
        QUAD q = cell;
        const long channel = static_cast<long>(client->GUICLRequest(
            TRREQ_CHANNEL, reinterpret_cast<LONG_PTR>(track), reinterpret_cast<LONG_PTR>(&q)));
        SetEditItem(kNoEditItem, kNoEditItem);
        if (channel != track->channel) {
            track->channel = channel;
            if (liason)
                liason->CallUpdateTrack(track, UPDATE_TRACKS_ROW | UPDATE_TRACK_WINDOWS);
            MarkModified(song, client);
        }
        UpdateTrack(row, column, 0);
        client->GUICLClearStatusText(0);
        break;
    }
    case TRCOL_BANK:
    case TRCOL_PROGRAM: {
        if (!cells.bankProgram || !client)
            break;
        if (column == TRCOL_BANK && (!track->IsBanksEnumed() || x < cell.right - kMarkWidth))
            break;
        client->GUICLSetStatusText(0, column == TRCOL_BANK ? "Edit track's Bank" : "Edit track's Program");
        SetEditItem(row, column);
        UpdateTrack(row, column, 0);
        QUAD q = cell;
        const long value = static_cast<long>(
            client->GUICLRequest(column == TRCOL_BANK ? TRREQ_BANK : TRREQ_PROGRAM,
                                 reinterpret_cast<LONG_PTR>(track), reinterpret_cast<LONG_PTR>(&q)));
        SetEditItem(kNoEditItem, kNoEditItem);
        if (column == TRCOL_BANK)
            OnBankChanged(track, value, 0);
        else
            OnProgChanged(track, value, 0);
        UpdateTrack(row, column, 0);
        client->GUICLClearStatusText(0);
        break;
    }
    case TRCOL_VOLUME:
    case TRCOL_PAN:
        OnPressSlider(track, row, column);
        break;
    case TRCOL_KEY:
    case TRCOL_TIME:
        OnPressUpDown(track, row, column, x);
        break;
    default:
        break;
    }
}

void CTracksWindow::OnPressSlider(CTrack *track, long row, long column)
{
    const QUAD cell = GetItemQuad(row, column, 0);
    pressValue = track->*SettingOf(column);
    const long value = std::max(pressValue, 0L);
    track->*SettingOf(column) = value;
    dragState = kDragSlider;
    SetEditItem(row, column);
    dragX = SliderEnd(cell, value);
    if (client) {
        client->GUICLSetMousePos(dragX, (cell.top + cell.bottom) / 2);
        client->GUICLSetStatusText(0, kSliderStatus[column == TRCOL_PAN]);
        client->GUICLSetCapture(1);
    }
    SetCursorType(CURSOR_RESIZE);
    UpdateTrack(row, column, 0);
}

void CTracksWindow::OnPressUpDown(CTrack *track, long row, long column, long x)
{
    const QUAD cell = GetItemQuad(row, column, 0);
    if (client)
        client->GUICLSetStatusText(0, kUpDownStatus[column == TRCOL_TIME]);
    if (x >= cell.right - kMarkWidth) {
        pressValue = track->*SettingOf(column);
        dragState = kDragUpDown;
        SetEditItem(row, column);
        dragY = (cell.top + cell.bottom) / 2;
        if (client) {
            client->GUICLSetMousePos(cell.right - 1, dragY);
            client->GUICLSetCapture(1);
        }
        SetCursorType(CURSOR_UPDOWN);
        UpdateTrack(row, column, 0);
    } else if (cell.Width() - kMarkWidth >= 8 && client) {
        SetEditItem(row, column);
        UpdateTrack(row, column, 0);
        QUAD number = cell;
        number.right -= kMarkWidth;
        client->GUICLRequest(column == TRCOL_KEY ? TRREQ_EDIT_KEY : TRREQ_EDIT_TIME,
                             reinterpret_cast<LONG_PTR>(track), reinterpret_cast<LONG_PTR>(&number));
    }
}

long CTracksWindow::ClampShift(const CTrack *track, long column, long value) const
{
    const long limit = column == TRCOL_KEY ? CellsOf(track->GetKind()).keyLimit : TicksPerQuarter();
    return std::clamp(value, -limit, limit);
}

void CTracksWindow::EditSlider(CTrack *track, long x)
{
    const long step = MouseCaptOffset(x, dragX, 4);
    long &value = track->*SettingOf(editColumn);
    const long newValue = std::clamp(value + step, 0L, 127L);
    const QUAD cell = GetItemQuad(editRow, editColumn, 0);
    if (newValue != value) {
        value = newValue;
        track->SendInitialToPort(editColumn == TRCOL_VOLUME ? SEND_VOLUME : SEND_PAN);
        UpdateTrack(editRow, editColumn, 0);
    }
    dragX = SliderEnd(cell, value);
    if (client)
        client->GUICLSetMousePos(dragX, (cell.top + cell.bottom) / 2);
}

void CTracksWindow::EditUpDown(CTrack *track, long y)
{
    const long step = -MouseCaptOffset(y, dragY, 4);
    long &value = track->*SettingOf(editColumn);
    const long newValue = ClampShift(track, editColumn, value + step);
    if (newValue != value) {
        value = newValue;
        UpdateTrack(editRow, editColumn, 0);
    }
    const QUAD cell = GetItemQuad(editRow, editColumn, 0);
    if (client && step)
        client->GUICLSetMousePos(cell.right - 1, dragY);
}

void CTracksWindow::EditHeader(long x, long column)
{
    const long minimum = kColumns[column].minimum;
    const long newWidth = std::max(columnWidths[column] + x - dragX, minimum);
    if (newWidth == columnWidths[column])
        return;
    dragX += newWidth - columnWidths[column];
    columnWidths[column] = newWidth;
    tabTracksClmns[column] = newWidth;
    UpdateTrack(-1, column, 0);
}

void CTracksWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song)
        return;
    CTrack *track = editRow >= 0 && editRow != kNoEditItem ? song->GetTrack(editRow) : nullptr;
    switch (dragState) {
    case kDragResize:
        EditHeader(x, editColumn);
        return;
    case kDragSlider:
        if (track)
            EditSlider(track, x);
        return;
    case kDragUpDown:
        if (track)
            EditUpDown(track, y);
        return;
    default:
        break;
    }
    if (!client)
        return;
    const long row = GetRow(y);
    if (row < 0) {
        if (GetColumnBorder(x) >= 0 && ResizableColumnLeftOf(GetColumnBorder(x)) >= 0) {
            client->GUICLSetStatusText(0, "Resize column");
            client->GUICLClearStatusText(1);
            SetCursorType(CURSOR_RESIZE);
        } else {
            client->GUICLClearStatusText(0);
            client->GUICLClearStatusText(1);
            SetCursorType(CURSOR_ARROW);
        }
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, " Track [%ld]", row);
    client->GUICLClearStatusText(0);
    client->GUICLSetStatusText(1, text);
    SetCursorType(CURSOR_ARROW);
}

void CTracksWindow::OnLButtonUp(long x, long y, int flag1, int flag2)
{
    if (dragState == kDragNone)
        return;
    CTrack *track = editRow >= 0 && editRow != kNoEditItem && song ? song->GetTrack(editRow) : nullptr;
    const long row = editRow, column = editColumn;
    switch (dragState) {
    case kDragSlider:
        if (track) {
            long &value = track->*SettingOf(column);
            const long dragged = value;
            value = pressValue; // so that the change is made, and recorded, once
            ChangeSetting(track, column, dragged, 0);
        }
        break;
    case kDragUpDown:
        if (track && track->*SettingOf(column) != pressValue)
            MarkModified(song, client);
        break;
    case kDragResize:
        OnSize(kTimeMax, kTimeMax);
        break;
    default:
        break;
    }
    SetEditItem(kNoEditItem, kNoEditItem);
    UpdateTrack(row, column, 0);
    EndGesture();
    SetCursorType(CURSOR_ARROW);
    if (client)
        client->GUICLClearStatusText(0);
    OnMouseMove(x, y, flag1, flag2);
}

void CTracksWindow::OnLButtonDblClk(long x, long y, int flag1, int flag2)
{
    const long column = GetColumn(x);
    if ((flag1 && column != TRCOL_KIND) || flag2) {
        OnLButtonDown(x, y, flag1, flag2);
        return;
    }
    EndGesture();
    const long row = GetRow(y);
    if (!song || row < 0 || column < 0)
        return;
    CTrack *track = song->GetTrack(row);
    switch (column) {
    case TRCOL_NUMBER:
        if (!client)
            return;
        if (!track) {
            const long kind = static_cast<long>(client->GUICLRequest(TRREQ_NEW_TRACK_KIND, 0, 0));
            if (kind >= 1)
                OnAddNewTrack(kind, row);
        } else {
            client->GUICLRequest(TRREQ_OPEN_EDITOR, row, 0);
        }
        return;
    case TRCOL_KIND:
        if (!track)
            return;
        for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t)) {
            if (t->GetKind() == track->GetKind()) {
                if (!t->IsSlct())
                    SetTrackSelection(t, 1);
            } else if (!flag1 && t->IsSlct()) {
                SetTrackSelection(t, 0);
            }
        }
        song->Update();
        return;
    case TRCOL_NAME:
    case TRCOL_BANK: {
        if (!track || !client || (column == TRCOL_BANK && !CellsOf(track->GetKind()).bankProgram))
            return;
        QUAD q = GetItemQuad(row, column, 0);
        if (column == TRCOL_NAME) {
            q.left += 3;
            q.right = std::max(q.right - 3, q.left + 5);
        }
        client->GUICLSetStatusText(0, column == TRCOL_NAME ? "Edit track's Name" : "Edit track's Bank");
        SetEditItem(row, column);
        UpdateTrack(row, column, 0);
        client->GUICLRequest(column == TRCOL_NAME ? TRREQ_EDIT_NAME : TRREQ_EDIT_BANK,
                             reinterpret_cast<LONG_PTR>(track), reinterpret_cast<LONG_PTR>(&q));
        return;
    }
    case TRCOL_MUTE:
    case TRCOL_SOLO:
    case TRCOL_USE:
    case TRCOL_KEY:
    case TRCOL_TIME:
        OnLButtonDown(x, y, flag1, flag2);
        return;
    case TRCOL_EFFECTS:
        if (track && track->GetKind() == TRACK_MIDI && client) {
            client->GUICLRequest(TRREQ_SHOW_EFFECTS, 0, 0);
            if (CSongTractWindow *tract = liason ? liason->GetSongTract() : nullptr)
                tract->SetShowType(STPAGE_MIDI_EFFECTS, row);
        }
        return;
    default:
        return;
    }
}

void CTracksWindow::OnMouseWheel(float delta, int vertical)
{
    const long pixels = static_cast<long>(delta * (vertical ? -26.0f : -20.0f));
    if (pixels == 0)
        return;
    if (vertical)
        ScrollBoth(pixels);
    else
        ScrollToPosition(scrollPosX + pixels, scrollPosY);
    if (client)
        client->GUICLWheelScrolled();
}

// --- selection

void CTracksWindow::SetTrackSelection(CTrack *track, int on)
{
    song->SelectTrack(track, on, song->IsTimeSelection());
    const long row = static_cast<long>(track->GetID());
    UpdateTrack(row, TRCOL_NUMBER, 0);
    if (song->IsTimeSelection() && liason) {
        liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
    }
}

void CTracksWindow::SelectTrack(CTrack *track, int flag1, int flag2)
{
    if (!track || !song)
        return;
    CTrack *first = song->GetNextTrack(nullptr);
    bool firstChosen = track == first;
    if (flag2) {
        if (!track->IsSlct())
            SetTrackSelection(track, 1);
        for (CTrack *t = song->GetPrevTrack(track); t && !t->IsSlct(); t = song->GetPrevTrack(t)) {
            SetTrackSelection(t, 1);
            firstChosen = firstChosen || t == first;
        }
    } else if (flag1) {
        SetTrackSelection(track, !track->IsSlct());
    } else {
        for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
            if (t != track && t->IsSlct())
                SetTrackSelection(t, 0);
        if (!track->IsSlct())
            SetTrackSelection(track, 1);
    }
    song->Update();
    if (!first)
        return;
    if (song->GetNumSelected() == 0)
        SetTrackSelection(first, 1);
    else if (song->GetNumSelected() > 1 && !firstChosen && first->IsSlct())
        SetTrackSelection(first, 0);
    song->Update();
}

} // namespace Quorvane
