// The song tract window's gestures and the item operations the host calls
// from its menus and tool buttons.
#include "gui/windows/song_tract_window.h"

#include "data/io_params.h"
#include "data/meff_chain.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"
#include "gui/draw/names.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/liaison.h"

#include <algorithm>
#include <new>

namespace Quorvane {

namespace {

enum : long { COL_SYN = 1, COL_LEVEL = 3, COL_VOLUME = 4, COL_PAN = 5, COL_EFFECTS = 6 };

// The key of the window that lists the song's SysEx entries, whose ports
// go with a deleted output.
constexpr long kSysExKey = 32766;

int isValueDrag(long state)
{
    return state > 0 && !IsColumnResize(state);
}

} // namespace

// --- pressing

void CSongTractWindow::EndGesture()
{
    if (dragState == 0)
        return;
    if (isValueDrag(dragState))
        SetEditItem(kNoTractItem, kNoTractItem);
    dragState = 0;
    if (client)
        client->GUICLSetCapture(0);
    Update(nullptr, 0);
}

void CSongTractWindow::OnLButtonDown(long x, long y, int, int)
{
    EndGesture();
    if (!song || !tract || !client)
        return;
    const TableColumns cols = Columns();
    dragX = x;
    dragY = y;
    if (y < kTableHeader + 1) {
        StartColumnResize(*this, cols, x);
        return;
    }
    const long row = GetRow(y);
    const long column = cols.ColumnAt(x, scrollPosX);
    if (row < 0 || row >= GetNumb() || column < 0)
        return;
    if (column == 0) {
        Select(row);
        return;
    }
    PressRow(row, column, x);
}

void CSongTractWindow::PressRow(long row, long column, long)
{
    void *item = ItemAt(row);
    switch (showType) {
    case STPAGE_PORTS:
        Select(row);
        if (column == 2 && !(tract->GetOutType(item) == 0 || tract->GetOutType(item) == 7))
            ChooseBus(row, CellQuad(row, 2));
        break;
    case STPAGE_BUSES:
        if (column == 2) {
            Select(row);
        } else if (column == COL_VOLUME || column == COL_PAN) {
            Select(row);
            StartValueDrag(row, column);
        }
        break;
    case STPAGE_AUDIO_EFFECTS:
        Select(row);
        if (column == 2) {
            int on = 0;
            tract->GetSEffectInfo(item, nullptr, on);
            tract->SetSEffectInfo(item, !on);
            MarkModified(song, client);
            UpdateRow(row);
        }
        break;
    default:
        Select(row);
        if (column == 2) {
            // The chain switches the effect under the song's lock and tells
            // it without the lock.
            if (CTrackMIDI *track = OwnerTrack())
                track->effects.ActiveMEffElem(static_cast<CMEffElem *>(item));
            MarkModified(song, client);
            UpdateRow(row);
        }
        break;
    }
}

void CSongTractWindow::ChooseBus(long row, QUAD cell)
{
    void *out = ItemAt(row);
    const long buses = tract->GetNumBuses();
    const long current = tract->GetOutBus(out);
    SetEditItem(row, 2);
    UpdateCell(row, 2);
    client->GUICLSetStatusText(0, "Set port's Out");
    const long chosen = static_cast<long>(client->GUICLRequest(STREQ_CHOOSE_BUS, buses * 65536 + current,
                                                               cell.bottom * 65536 + (cell.left & 0xFFFF)));
    if (chosen != current && chosen >= 0 && chosen < buses) {
        int moved;
        {
            CLock lock(song->GetSyncObj());
            moved = tract->ReconnectOutAndBus(out, tract->GetBusByNumb(current), tract->GetBusByNumb(chosen));
        }
        if (moved)
            MarkModified(song, client);
    }
    SetEditItem(kNoTractItem, kNoTractItem);
    UpdateRow(row);
    client->GUICLClearStatusText(0);
}

long CSongTractWindow::ValueX(long row, long column)
{
    float volume = 1.0f, pan = 1.0f;
    long effects = 0;
    tract->GetBusInfo(ItemAt(row), volume, pan, effects);
    const QUAD cell = CellQuad(row, column);
    return cell.left + static_cast<long>(cell.Width() * (column == COL_VOLUME ? volume : pan) / 2.0f);
}

void CSongTractWindow::StartValueDrag(long row, long column)
{
    dragState = row * 65536 + column;
    SetEditItem(row, column);
    UpdateCell(row, column);
    client->GUICLSetStatusText(0, column == COL_VOLUME ? "Edit Volume" : "Edit Panning");
    const QUAD cell = CellQuad(row, column);
    dragX = ValueX(row, column);
    client->GUICLSetMousePos(dragX, (cell.top + cell.bottom) / 2);
    SetCursorType(CURSOR_RESIZE);
    client->GUICLSetCapture(1);
}

// --- moving

void CSongTractWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !tract || !client)
        return;
    if (isValueDrag(dragState)) {
        EditVolPan(x);
        return;
    }
    TableColumns cols = Columns();
    if (!DragColumnResize(*this, cols, x))
        SetHoverStatus(x, y);
}

void CSongTractWindow::SetHoverStatus(long x, long y)
{
    if (y < kTableHeader + 1 && Columns().BorderAt(x, scrollPosX) >= 0) {
        client->GUICLSetStatusText(0, "Resize column");
        SetCursorType(CURSOR_RESIZE);
    } else {
        client->GUICLClearStatusText(0);
        SetCursorType(CURSOR_ARROW);
    }
}

void CSongTractWindow::EditVolPan(long x)
{
    const long row = dragState / 65536, column = dragState % 65536;
    const long steps = MouseCaptOffset(x, dragX, 4);
    if (steps == 0)
        return;
    void *bus = ItemAt(row);
    float volume = 1.0f, pan = 1.0f;
    long effects = 0;
    tract->GetBusInfo(bus, volume, pan, effects);
    float &value = column == COL_VOLUME ? volume : pan;
    value = std::clamp(value + 0.01f * static_cast<float>(steps), 0.0f, 2.0f);
    tract->SetBusInfo(bus, volume, pan);
    UpdateCell(row, column);
    // the pointer goes back to the value, so that the drag never runs out
    // of the screen
    const QUAD cell = CellQuad(row, column);
    dragX = ValueX(row, column);
    client->GUICLSetMousePos(dragX, (cell.top + cell.bottom) / 2);
}

// --- releasing

void CSongTractWindow::OnLButtonUp(long x, long y, int, int)
{
    if (!song || !client || dragState == 0)
        return;
    if (EndColumnResize(*this)) {
        SetHoverStatus(x, y);
        return;
    }
    const long state = dragState;
    dragState = 0;
    if (isValueDrag(state)) {
        SetEditItem(kNoTractItem, kNoTractItem);
        UpdateCell(state / 65536, state % 65536);
        SetCursorType(CURSOR_ARROW);
        MarkModified(song, client);
    }
    client->GUICLSetCapture(0);
    client->GUICLClearStatusText(0);
    SetHoverStatus(x, y);
}

void CSongTractWindow::OnLButtonDblClk(long x, long y, int flag1, int flag2)
{
    if (dragState != 0 || !tract)
        return;
    const long row = GetRow(y);
    const long column = Columns().ColumnAt(x, scrollPosX);
    if (row >= 0 && row < GetNumb()) {
        if (showType != STPAGE_BUSES && (column == 0 || column == 1)) {
            Select(row);
            OnPropItem();
        } else if (showType == STPAGE_BUSES && column == COL_SYN) {
            Select(row);
            SetShowType(STPAGE_PORTS, effOwner);
        } else if (showType == STPAGE_BUSES && column == COL_EFFECTS) {
            Select(row);
            SetShowType(STPAGE_AUDIO_EFFECTS, row);
        }
    }
    OnLButtonDown(x, y, flag1, flag2);
}

// --- item operations

int CSongTractWindow::CanPropItem()
{
    return showType != STPAGE_BUSES && HaveSelection();
}

int CSongTractWindow::OnPropItem()
{
    if (!CanPropItem() || !client)
        return 0;
    EnsureVisible(selItem);
    void *item = ItemAt(selItem);
    switch (showType) {
    case STPAGE_PORTS:
        return client->GUICLRequest(STREQ_PORT_PROPERTIES, reinterpret_cast<LONG_PTR>(item), 0) != 0;
    case STPAGE_AUDIO_EFFECTS:
        client->GUICLRequest(STREQ_AUDIO_EFFECT_PROPERTIES, reinterpret_cast<LONG_PTR>(item), 0);
        return effOwner > 0 ? 0 : 1;
    default:
        return client->GUICLRequest(STREQ_MIDI_EFFECT_PROPERTIES, reinterpret_cast<LONG_PTR>(item),
                                    effOwner) != 0;
    }
}

int CSongTractWindow::CanAddItem()
{
    return showType != STPAGE_MIDI_EFFECTS || OwnerTrack() != nullptr;
}

int CSongTractWindow::OnAddItem()
{
    if (!CanAddItem() || !tract || !client)
        return 0;
    PORTDESCR descriptor;
    void *added = nullptr;
    long row = -1;
    switch (showType) {
    case STPAGE_PORTS: {
        if (!client->GUICLRequest(STREQ_NEW_PORT, reinterpret_cast<LONG_PTR>(&descriptor),
                                  reinterpret_cast<LONG_PTR>(tract)))
            return 0;
        // The tract takes its lock itself, only to link what it made: the
        // step's lock (the render thread plays under it) comes after.
        added = tract->AddNewOut(&descriptor);
        if (!added)
            return 0;
        EditStep(song, client, "Add New Out Port", UNDO_ROUTING).Done();
        break;
    }
    case STPAGE_BUSES: {
        if (!tract->AddNewBus())
            return 0;
        EditStep(song, client, "Add New Audio Bus", UNDO_ROUTING).Done();
        row = tract->GetNumBuses() - 1;
        break;
    }
    case STPAGE_AUDIO_EFFECTS: {
        if (!client->GUICLRequest(STREQ_NEW_AUDIO_EFFECT, reinterpret_cast<LONG_PTR>(&descriptor),
                                  reinterpret_cast<LONG_PTR>(tract)))
            return 0;
        added = tract->AddNewSEffect(OwnerBus(), HaveSelection() ? ItemAt(selItem) : nullptr, &descriptor);
        if (!added)
            return 0;
        EditStep(song, client, "Add New Audio Effect", UNDO_ROUTING).Done();
        break;
    }
    default: {
        CTrackMIDI *track = OwnerTrack();
        if (!client->GUICLRequest(STREQ_NEW_MIDI_EFFECT, reinterpret_cast<LONG_PTR>(&descriptor), 0))
            return 0;
        auto *element = new (std::nothrow) CMEffElem(&descriptor, song->GetITembriSong(), track);
        if (!element)
            return 0;
        if (!element->effect) {
            delete element; // its module could not be made: nothing changes
            return 0;
        }
        // The chain tells the effect without the song's lock and takes it
        // only to link it in.
        track->effects.AddNewMEffElem(element,
                                      HaveSelection() ? static_cast<CMEffElem *>(ItemAt(selItem)) : nullptr);
        EditStep(song, client, "Add New MIDI Effect", static_cast<long>(track->GetID())).Done();
        added = element;
        if (liason)
            liason->CallUpdateTrack(track, UPDATE_TRACKS_ROW);
        break;
    }
    }
    UpdateInfo(row, added);
    EnsureVisible(selItem);
    return 1;
}

int CSongTractWindow::CanDelItem()
{
    if (!HaveSelection() || !tract)
        return 0;
    switch (showType) {
    case STPAGE_PORTS: {
        const long kind = tract->GetOutType(ItemAt(selItem));
        return kind != 0 && kind != 2;
    }
    case STPAGE_BUSES:
        return selItem > 0;
    default:
        return 1;
    }
}

int CSongTractWindow::OnDelItem()
{
    if (!CanDelItem() || !client)
        return 0;
    void *item = ItemAt(selItem);
    switch (showType) {
    case STPAGE_PORTS: {
        // The editor closes, and the output goes (the song moves its tracks
        // under its lock, the tract frees the module after), before the
        // step takes the lock the render thread plays under.
        client->GUICLRequest(STREQ_CLOSE_SYNTH_EDITOR, reinterpret_cast<LONG_PTR>(tract->GetISoftSynth(item)),
                             0);
        song->DeleteOutPort(item);
        EditStep(song, client, "Delete Out Port", UNDO_ROUTING).Done();
        if (liason) {
            liason->CallUpdate(1, 0, KEY_TRACKS, kAnyKey);
            liason->CallUpdate(1, 0, kSysExKey, kAnyKey);
        }
        break;
    }
    case STPAGE_BUSES: {
        for (void *e = tract->GetNextSEffect(item, nullptr); e; e = tract->GetNextSEffect(item, e))
            client->GUICLRequest(STREQ_CLOSE_AUDIO_EFFECT_EDITOR,
                                 reinterpret_cast<LONG_PTR>(tract->GetIAudioEffect(e)), 0);
        if (!tract->DeleteBus(item))
            return 0;
        EditStep(song, client, "Delete Audio Bus", UNDO_ROUTING).Done();
        break;
    }
    case STPAGE_AUDIO_EFFECTS: {
        client->GUICLRequest(STREQ_CLOSE_AUDIO_EFFECT_EDITOR,
                             reinterpret_cast<LONG_PTR>(tract->GetIAudioEffect(item)), 0);
        if (!tract->DeleteSEffect(OwnerBus(), item))
            return 0;
        EditStep(song, client, "Delete Audio Effect", UNDO_ROUTING).Done();
        break;
    }
    default: {
        CTrackMIDI *track = OwnerTrack();
        if (!track)
            return 0;
        // The chain unlinks the effect under the song's lock and lets it go
        // after it.
        client->GUICLRequest(STREQ_CLOSE_MIDI_EFFECT_EDITOR, reinterpret_cast<LONG_PTR>(item), 0);
        track->effects.DeleteMEffElem(static_cast<CMEffElem *>(item));
        EditStep(song, client, "Delete MIDI Effect", static_cast<long>(track->GetID())).Done();
        if (liason)
            liason->CallUpdateTrack(track, UPDATE_TRACKS_ROW);
        break;
    }
    }
    UpdateInfo(selItem, nullptr);
    EnsureVisible(selItem);
    return 1;
}

int CSongTractWindow::CanMoveItem(int up)
{
    if ((showType != STPAGE_AUDIO_EFFECTS && showType != STPAGE_MIDI_EFFECTS) || GetNumb() < 2 ||
        !HaveSelection())
        return 0;
    return up ? selItem > 0 : selItem < GetNumb() - 1;
}

int CSongTractWindow::OnMoveItem(int up)
{
    if (!CanMoveItem(up))
        return 0;
    void *item = ItemAt(selItem);
    if (showType == STPAGE_AUDIO_EFFECTS) {
        EditStep step(song, client, "Move Audio Effect", UNDO_ROUTING);
        if (!tract->MoveSEffect(OwnerBus(), item, up))
            return 0;
        step.Done();
    } else {
        CTrackMIDI *track = OwnerTrack();
        if (!track)
            return 0;
        // The chain moves it under the song's lock; an offline chain runs
        // its effects over the track again after it.
        track->effects.MoveMEffElem(static_cast<CMEffElem *>(item), up);
        EditStep(song, client, "Move MIDI Effect", static_cast<long>(track->GetID())).Done();
    }
    UpdateInfo(selItem + (up ? -1 : 1), nullptr);
    EnsureVisible(selItem);
    return 1;
}

int CSongTractWindow::CanMode()
{
    return showType == STPAGE_MIDI_EFFECTS && OwnerTrack() != nullptr;
}

int CSongTractWindow::IsMode()
{
    CTrackMIDI *track = CanMode() ? OwnerTrack() : nullptr;
    return track && track->effects.IsOnline();
}

int CSongTractWindow::OnMode()
{
    if (!CanMode())
        return 0;
    CTrackMIDI *track = OwnerTrack();
    track->effects.SetOnline(!track->effects.IsOnline());
    MarkModified(song, client);
    Update(nullptr, 0);
    return 1;
}

int CSongTractWindow::CanApply()
{
    return CanMode() && GetNumb() > 0 && IsMode();
}

int CSongTractWindow::OnApply()
{
    if (!CanApply())
        return 0;
    OwnerTrack()->UpdateEdition();
    return 1;
}

int CSongTractWindow::CanPortRefresh()
{
    return showType == STPAGE_PORTS && HaveSelection();
}

int CSongTractWindow::OnPortRefresh()
{
    if (!CanPortRefresh())
        return 0;
    DoPortRefresh(ItemAt(selItem));
    return 1;
}

void CSongTractWindow::DoPortRefresh(void *output)
{
    if (!tract || !output)
        return;
    tract->RefreshOut(output);
    if (!liason)
        return;
    for (CTrack *t = song->GetNextTrack(nullptr); t; t = song->GetNextTrack(t))
        if (t->output == output)
            liason->CallUpdateTrack(t, UPDATE_TRACKS_ROW | UPDATE_TRACK_WINDOWS);
}

void CSongTractWindow::CloseOutPorts()
{
    if (client)
        client->GUICLRequest(STREQ_CLOSE_EDITORS, 1, 0);
}

void CSongTractWindow::CloseAudioEffects()
{
    if (client)
        client->GUICLRequest(STREQ_CLOSE_EDITORS, 4, 0);
}

void CSongTractWindow::CloseMIDIEffects()
{
    if (client)
        client->GUICLRequest(STREQ_CLOSE_EDITORS, 8, 0);
    if (showType == STPAGE_MIDI_EFFECTS)
        SetShowType(STPAGE_PORTS, 0);
}

} // namespace Quorvane
