// The MIDI window's gestures and the edits they make.
#include "gui/windows/midi_window.h"

#include "data/event.h"
#include "data/song.h"
#include "data/track_midi.h"
#include "gui/draw/gui_context.h"
#include "gui/windows/edit_step.h"
#include "gui/windows/gui_client.h"
#include "gui/windows/lane_edit.h"
#include "gui/windows/liaison.h"
#include "gui/windows/window_globals.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Quorvane {

namespace {

constexpr long kRulerBottom = 22;
enum : long { CURSOR_MOVE = 2, CURSOR_PITCH = 3 };

// The smallest value step between the points a stroke leaves.
long strokeStep(long kind)
{
    if (kind == LANE_WHEEL)
        return 32;
    return kind == LANE_VELOCITY ? 1 : 2;
}

} // namespace

// --- helpers

QUAD CMIDIWindow::DraggedQuad(long i) const
{
    const QUADNOTE *n = dragQuads.GetAt(i);
    if (!n)
        return QUAD(0, 0, 0, 0);
    QUAD q = n->quad;
    switch (dragState) {
    case MIDI_NOTE_START:
        q.OffsHorz(movedX);
        break;
    case MIDI_NOTE_PITCH:
        q.OffsVert(-movedPitch * rowH);
        break;
    case MIDI_NOTE_END:
        q.right = std::max(q.right + movedX, q.left + 1);
        break;
    default:
        break;
    }
    return q;
}

void CMIDIWindow::NoteName(long note, long x, char *text)
{
    text[0] = 0;
    if (!track->StringNote(text, note) || !text[0])
        timeLine.StringNote(note, x, text);
}

void CMIDIWindow::TrackChanged()
{
    track->UpdateEdition();
    if (track->UpdateLastTime() && song->Update() && liason)
        liason->CallUpdate(1, 1, kAnyKey, kAnyKey);
    if (liason)
        liason->CallUpdateTrack(track, UPDATE_MEASURES_ROW | UPDATE_TRACK_WINDOWS);
    else
        Update(nullptr, 0);
}

// --- pressing

void CMIDIWindow::EndGesture()
{
    const long state = DropGesture();
    if (state == MIDI_ERASE && erase.Pending()) {
        dragState = state;
        DeleteNote(dragX, dragY, 2);
        dragState = 0;
    }
    dragQuads.ResetContent();
}

void CMIDIWindow::OnLButtonDown(long x, long y, int flag1, int flag2)
{
    EndGesture();
    if (!song || !track || !client)
        return;
    dragX = x;
    dragY = y;
    if (x < leftBand) {
        if (x >= leftBand - 3 && y < kRulerBottom) {
            dragState = GESTURE_BAND_RESIZE;
            client->GUICLSetCapture(1);
            UpdateLeftBand();
        }
        return;
    }
    if (x >= width - rightMargin)
        return;
    if (y < kRulerBottom) {
        PressRuler(x, flag1, static_cast<long>(track->GetID()));
        return;
    }
    switch (client->tool) {
    case TOOL_DRAW:
        if (NoteMode())
            EditNoteStart(x, y, flag1, flag2);
        else
            StartStroke(MIDI_DRAW, drawCtrl, x, y);
        break;
    case TOOL_ERASE:
        StartFrame(MIDI_ERASE, x, y, DataQuad(), NoteMode());
        if (NoteMode())
            DeleteNote(x, y, 0);
        break;
    default:
        StartFrame(MIDI_BAND, x, y, DataQuad(), NoteMode());
        break;
    }
}

void CMIDIWindow::EditNoteStart(long x, long y, int flag1, int)
{
    long part = 0;
    EVENT *note = noteQuads.IsPtInNote(x, y, part);
    const long step = std::max(zoom, 1L);
    movedX = movedPitch = 0;
    changed = 0;
    if (!note) {
        const long pitch = GetValFromY(y);
        const long top = (127 - pitch) * rowH + kRulerBottom;
        StartFrameAt(MIDI_NEW_NOTE,
                     QUAD(x + scrollPosX, top, x + scrollPosX + lastDur / step, top + rowH - 1), DataQuad(),
                     1);
        char text[96];
        EditNoteMove(x, y, text);
        return;
    }
    lastDur = note->value;
    lastVel = note->getNoteVel();
    int redraw = 0;
    if (!flag1)
        redraw = track->ResetSelection(LANE_NOTE, note);
    if (redraw || !note->IsSlct()) {
        note->SetSlct(1);
        QUAD data = DataQuad();
        Update(&data, 0);
    }
    dragQuads.ResetContent();
    if (flag1) {
        for (long i = 0; i < track->GetNumb(); ++i) {
            EVENT *e = track->GetEvent(i);
            if (!e->IsNote() || !e->IsSlct())
                continue;
            if (e == note)
                dragQuads.counter = dragQuads.GetNumb();
            const QUAD q = NoteQuad(e);
            dragQuads.AddToTail(&q, e);
        }
    } else {
        const QUAD q = NoteQuad(note);
        dragQuads.AddToTail(&q, note);
        dragQuads.counter = 0;
    }
    dragState = part;
    dragStartX = x + scrollPosX;
    dragStartValue = note->data1;
    client->GUICLSetCapture(1);
    ShowCursor(1, nullptr);
}

void CMIDIWindow::DeleteNote(long x, long y, long stage)
{
    const long time = GetTimeFromX(x);
    const long pitch = GetValFromY(y);
    if (stage == 0) {
        erase.Begin(song, "Delete Note(s)", static_cast<long>(track->GetID()));
        eraseTime = time;
        erasePitch = pitch;
        // a click erases what lies under it
        stage = 1;
    }
    if (stage == 1) {
        long from = eraseTime, to = time;
        int went;
        {
            CLock lock(song->GetSyncObj());
            went = track->DeleteNoteByRange(from, to, erasePitch, pitch, std::max(zoom, 1L));
        }
        if (went) {
            erase.Erased();
            track->UpdateEdition();
            UpdateTime(from, to, 0, 0);
        }
        eraseTime = time;
        erasePitch = pitch;
        return;
    }
    if (erase.End(song, client))
        TrackChanged();
}

// --- moving

void CMIDIWindow::OnMouseMove(long x, long y, int, int)
{
    if (!song || !track || !client)
        return;
    const QUAD data = DataQuad();
    char text[160];
    switch (dragState) {
    case MIDI_NOTE_START:
    case MIDI_NOTE_PITCH:
    case MIDI_NOTE_END:
    case MIDI_NEW_NOTE: {
        ShowCursor(0, nullptr);
        const int vertical = dragState == MIDI_NOTE_PITCH || dragState == MIDI_NEW_NOTE;
        ScrollFrame(data, x, y, dragState != MIDI_NOTE_PITCH, vertical);
        ShowCursor(1, nullptr);
        EditNoteMove(std::clamp(x, data.left, data.right - 1), std::clamp(y, data.top, data.bottom - 1),
                     text);
        return;
    }
    case MIDI_ERASE:
        if (NoteMode()) {
            ScrollFrame(data, x, y, 1, 1);
            DeleteNote(std::clamp(x, data.left, data.right - 1), std::clamp(y, data.top, data.bottom - 1), 1);
            return;
        }
        [[fallthrough]];
    default:
        if (!MoveSharedGesture(x, y))
            SetHoverStatus(x, y);
        return;
    }
}

void CMIDIWindow::EditNoteMove(long x, long y, char *text)
{
    ShowCursor(0, nullptr);
    char name[96], when[48];
    const long step = std::max(zoom, 1L);
    text[0] = 0;
    switch (dragState) {
    case MIDI_NOTE_START:
    case MIDI_NOTE_END: {
        movedX = x + scrollPosX - dragStartX;
        if (dragState == MIDI_NOTE_START) {
            // no note moves before the song's start
            for (long i = 0; i < dragQuads.GetNumb(); ++i)
                movedX = std::max(movedX, leftBand - dragQuads.GetAt(i)->quad.left);
        }
        const QUADNOTE *clicked = dragQuads.GetAt(dragQuads.counter);
        if (clicked && clicked->event) {
            const QUAD q = DraggedQuad(dragQuads.counter);
            const long left = GetTimeFromX(q.left - scrollPosX);
            if (dragState == MIDI_NOTE_START)
                timeLine.StringTimeT(timeLine.GridTime(left), text);
            else
                timeLine.StringDur(timeLine.GridDur(GetTimeFromX(q.right - scrollPosX) - left, left), text,
                                   left);
        }
        changed |= movedX != 0;
        break;
    }
    case MIDI_NOTE_PITCH: {
        movedPitch = GetValFromY(y) - dragStartValue;
        for (long i = 0; i < dragQuads.GetNumb(); ++i) {
            const EVENT *e = dragQuads.GetAt(i)->event;
            movedPitch = std::clamp(movedPitch, -static_cast<long>(e->data1), 127L - e->data1);
        }
        NoteName(dragStartValue + movedPitch, x, name);
        std::snprintf(text, 160, "[%s] %+ld", name, movedPitch);
        changed |= movedPitch != 0;
        break;
    }
    case MIDI_NEW_NOTE: {
        const long pitch = GetValFromY(y);
        const long top = (127 - pitch) * rowH + kRulerBottom;
        frame = QUAD(x + scrollPosX, top, x + scrollPosX + lastDur / step, top + rowH - 1);
        NoteName(pitch, x, name);
        std::snprintf(text, 160, "[%s] %s", name, timeLine.StringTime(x, when));
        break;
    }
    default:
        break;
    }
    client->GUICLSetStatusText(0, text);
    ShowCursor(1, nullptr);
}

// --- releasing

void CMIDIWindow::OnLButtonUp(long x, long y, int flag1, int flag2)
{
    if (!song || !track || dragState == 0)
        return;
    const long state = dragState;
    switch (state) {
    case MIDI_DRAW:
        dragState = 0;
        DrawWithTool();
        break;
    case MIDI_NOTE_START:
    case MIDI_NOTE_PITCH:
    case MIDI_NOTE_END:
    case MIDI_NEW_NOTE:
        EditNoteStop(state, flag1, flag2);
        break;
    case MIDI_BAND:
        ShowCursor(0, nullptr);
        dragState = 0;
        SelectInFrame(track, edit, flag1);
        break;
    case MIDI_ERASE:
        if (NoteMode()) {
            DeleteNote(x, y, 2);
        } else {
            ShowCursor(0, nullptr);
            dragState = 0;
            DeleteInFrame();
        }
        break;
    default:
        ReleaseSharedGesture(flag1);
        break;
    }
    dragState = 0;
    dragQuads.ResetContent();
    client->GUICLSetCapture(0);
    client->GUICLClearStatusText(0);
    SetHoverStatus(x, y);
}

void CMIDIWindow::EditNoteStop(long state, int flag1, int)
{
    ShowCursor(0, nullptr);
    const long id = static_cast<long>(track->GetID());
    if (state == MIDI_NEW_NOTE) {
        dragState = 0;
        EditStep step(song, client, "Add Note", id);
        if (!flag1)
            track->ResetSelection(LANE_NOTE, nullptr);
        const long time = timeLine.GridTime(GetTimeFromX(frame.left - scrollPosX));
        lastDur = std::max(timeLine.GridDur(lastDur, time), 1L);
        EVENT note;
        note.setNote(track->channel >= 0 && track->channel <= 15 ? track->channel : 0,
                     GetValFromY(frame.top - scrollPosY), lastVel);
        note.value = lastDur;
        note.time = time;
        note.SetSlct(1);
        if (!track->AddToTail(&note, 1))
            return;
        track->Sort();
        step.Done();
        TrackChanged();
        return;
    }
    if (!changed) {
        dragState = 0;
        return;
    }
    static const char *const captions[] = {"Edit Note(s) Start", "Edit Note(s) Pitch",
                                           "Edit Note(s) Duration"};
    EditStep step(song, client, captions[state - MIDI_NOTE_START], id);
    for (long i = 0; i < dragQuads.GetNumb(); ++i) {
        EVENT *e = dragQuads.GetAt(i)->event;
        const QUAD q = DraggedQuad(i);
        const long left = GetTimeFromX(q.left - scrollPosX);
        if (state == MIDI_NOTE_START) {
            e->time = timeLine.GridTime(left);
        } else if (state == MIDI_NOTE_PITCH) {
            e->data1 = static_cast<uint8_t>(GetValFromY(q.top - scrollPosY));
        } else {
            e->value = std::max(timeLine.GridDur(GetTimeFromX(q.right - scrollPosX) - left, left), 1L);
            if (i == dragQuads.counter)
                lastDur = e->value;
        }
    }
    dragState = 0;
    track->Sort();
    step.Done();
    TrackChanged();
}

void CMIDIWindow::DeleteInFrame()
{
    long from, to, low, high;
    FrameRange(from, to, low, high);
    char name[96], caption[110];
    std::snprintf(caption, sizeof caption, "Delete %s", KindName(name));
    EditStep step(song, client, caption, static_cast<long>(track->GetID()));
    if (!track->DeleteByRange(edit, from, to, low, high)) {
        step.Discard();
        return;
    }
    SettleLaneFields(track, edit, liason);
    step.Done();
    TrackChanged();
}

void CMIDIWindow::DrawWithTool()
{
    long from = 0, to = 0;
    drawCtrl.DrawToolRange(from, to);
    char name[96], caption[110];
    std::snprintf(caption, sizeof caption, "Draw %s", KindName(name));
    {
        EditStep step(song, client, caption, static_cast<long>(track->GetID()));
        int done = 0;
        if (edit == LANE_VELOCITY) {
            for (long i = 0; i < track->GetNumb(); ++i) {
                EVENT *e = track->GetEvent(i);
                long value;
                if (!e->IsNote() || e->time < from || e->time > to || !drawCtrl.DrawToolGetAt(e->time, value))
                    continue;
                value = std::clamp(value, 1L, 127L);
                if (value != e->getNoteVel()) {
                    e->setNoteVel(value);
                    done = 1;
                }
            }
        } else {
            done = WriteStroke(track, drawCtrl, edit, from, to, strokeStep(edit));
        }
        if (done) {
            SettleLaneFields(track, edit, liason);
            step.Done();
        } else {
            step.Discard();
        }
        if (done)
            TrackChanged();
    }
    drawCtrl.DrawToolStop();
}

// --- feedback

void CMIDIWindow::ShowCursor(int on, CGUIContext *ctx)
{
    switch (dragState) {
    case MIDI_ERASE:
        // the eraser of notes shows no band
        if (!NoteMode())
            CAbstWindow::ShowCursor(on, ctx);
        break;
    case MIDI_NOTE_START:
    case MIDI_NOTE_PITCH:
    case MIDI_NOTE_END:
        ShowDragged();
        break;
    default:
        CAbstWindow::ShowCursor(on, ctx);
        break;
    }
}

void CMIDIWindow::ShowDragged()
{
    const QUAD data = DataQuad();
    std::vector<QUAD> shown;
    for (long i = 0; i < dragQuads.GetNumb(); ++i) {
        QUAD q = DraggedQuad(i);
        q.OffsHorz(-scrollPosX);
        q.OffsVert(-scrollPosY);
        if (q.right >= data.left && q.left < data.right)
            shown.push_back(q);
    }
    CGUIContext *ctx = nullptr;
    for (size_t i = 0; i < shown.size(); ++i) {
        ctx = DrawFrame(shown[i], data, ctx, i + 1 == shown.size());
        if (!ctx && i + 1 < shown.size())
            return;
    }
}

// --- hovering and the wheel

void CMIDIWindow::SetHoverStatus(long x, long y)
{
    if (HoverBandOrRuler(x, y, x >= leftBand - 3 && y < kRulerBottom))
        return;
    char text[160], when[48], name[96];
    long cursor = ToolCursor();
    timeLine.StringTime(x, when);
    client->GUICLClearStatusText(0);
    if (!NoteMode()) {
        std::snprintf(text, sizeof text, "[%ld] %s", GetValFromY(y), when);
    } else {
        long part = 0;
        const EVENT *note = client->tool == TOOL_DRAW ? noteQuads.IsPtInNote(x, y, part) : nullptr;
        if (note && part == NOTE_START) {
            cursor = CURSOR_MOVE;
            timeLine.StringTimeT(note->time, text);
        } else if (note && part == NOTE_END) {
            cursor = CURSOR_MOVE;
            timeLine.StringDur(note->value, text, note->time);
        } else if (note) {
            cursor = CURSOR_PITCH;
            NoteName(note->data1, x, name);
            std::snprintf(text, sizeof text, "[%s]", name);
        } else {
            NoteName(GetValFromY(y), x, name);
            std::snprintf(text, sizeof text, "[%s] %s", name, when);
        }
    }
    client->GUICLSetStatusText(1, text);
    SetCursorType(cursor);
}

void CMIDIWindow::OnMouseWheel(float delta, int vertical)
{
    if (dragState == MIDI_DRAW)
        return;
    // only the key rows scroll up and down; a value lane's wheel scrolls in time
    const int alongY = vertical && NoteMode();
    const long step = alongY ? rowH : WheelStepX();
    WheelScroll(static_cast<long>(-delta * static_cast<float>(step)), alongY);
}

} // namespace Quorvane
