// The piano roll of one MIDI track. Under the time ruler it edits one kind
// of event at a time: notes (a keyboard band on the left, 128 key rows),
// note velocities, the pitch wheel, channel aftertouch or one controller
// (a value scale on the left). Notes are drawn, moved, stretched,
// transposed and erased with the mouse; velocities and controller curves
// are drawn with the controller drawing tool.
#pragma once

#include "gui/draw/gui_tables.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/chord_string.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/erase_stroke.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/time_line.h"
#include "gui/windows/value_lane.h"

namespace Quorvane {

class CTrackMIDI;
struct EVENT;

// Gestures of the MIDI window, besides the base's.
enum : long {
    MIDI_BAND = 2,
    MIDI_DRAW = 3,
    MIDI_NOTE_START = 4,
    MIDI_NOTE_PITCH = 5,
    MIDI_NOTE_END = 6,
    MIDI_NEW_NOTE = 7,
    MIDI_ERASE = 8,
};

class PANNIKEL_API CMIDIWindow : public CAbstWindow {
public:
    CMIDIWindow();
    ~CMIDIWindow() override;
    CMIDIWindow(const CMIDIWindow &) = delete;
    CMIDIWindow &operator=(const CMIDIWindow &) = delete;

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ShowCursor(int on, CGUIContext *ctx) override;
    long GetValFromY(long y) override;
    long GetYFromVal(long value) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;
    void OnActivate() override;
    void SetZoomVert(long zoom) override;

    // 131 notes, 132 velocity, 128 pitch wheel, 129 channel aftertouch,
    // 0..127 a controller.
    void SetEdit(long kind);
    // Key rows coloured by their degree in the key signature in force.
    void SetByKSign(int on);

    // Fields in their order.
    CTimeLine timeLine;
    CGUIGradient gradients;
    FIRSTVISIBLE firstVisible;
    DRAWCTRL drawCtrl;
    CTrackMIDI *track = nullptr;
    long edit = 131;
    int byKSign = 0;
    // The notes the last paint drew, for hit tests, in window coordinates.
    CQuadNotes noteQuads;
    // The dragged notes, in content coordinates; counter is the clicked
    // note's index.
    CQuadNotes dragQuads;
    long lastDur;
    long lastVel = 100;
    QUAD bounds{0, 0, 0, 0};
    long dragStartX = 0;
    long dragStartValue = 0;
    int changed = 0;
    ValueLane lane;
    long rowH;
    long spare = 11;

protected:
    void DrawLeftBand(CGUIContext *ctx);
    void DrawLeftCorner(CGUIContext *ctx);
    void DrawHoszGrid(CGUIContext *ctx);
    void UpdateLeftBand();
    void EditNoteStart(long x, long y, int flag1, int flag2);
    void EditNoteMove(long x, long y, char *text);
    void EditNoteStop(long state, int flag1, int flag2);
    void DeleteNote(long x, long y, long stage);

private:
    int NoteMode() const { return edit == 131; }
    long RowTop(long note) const { return (127 - note) * rowH - scrollPosY + 22; }
    long DataHeight() const { return height - 22; }
    void DrawNotes(CGUIContext *ctx, long from, long to, long first);
    void DrawVelocities(CGUIContext *ctx, long from, long to, long first);
    void DrawKeyboard(CGUIContext *ctx);
    const char *KindName(char *text);
    void NoteName(long note, long x, char *text);
    // A note's rectangle in content coordinates.
    QUAD NoteQuad(const EVENT *note) const;
    void EndGesture();
    // The dragged notes' rectangles moved as the gesture has them now.
    QUAD DraggedQuad(long i) const;
    void ShowDragged();
    void DrawWithTool();
    void DeleteInFrame();
    // A change of the track is done: its extent, the song and the other
    // windows follow.
    void TrackChanged();
    void SetHoverStatus(long x, long y);

    // Erase gesture: the last point and the pending undo step.
    long eraseTime = 0;
    long erasePitch = 0;
    EraseStroke erase;
    long movedX = 0;
    long movedPitch = 0;
};

} // namespace Quorvane
