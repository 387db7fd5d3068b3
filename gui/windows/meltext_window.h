// One lyrics track: its one-voice melody as a piano roll under the time
// ruler, the song's chords in a strip above it and the lyric text in a
// strip below, cut into text nodes that are sung on the melody's time
// nodes. The user draws, moves and transposes melody notes, enters chords,
// and divides or glues the lyric text at a note.
#pragma once

#include "gui/draw/gui_tables.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/chord_string.h"
#include "gui/windows/erase_stroke.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/time_line.h"

namespace Quorvane {

class CTrackMelText;
class CTrackChords;
struct EVENT;

// Gestures of the melody-text window, besides the base's.
enum : long {
    MELTEXT_BAND = 2,
    MELTEXT_NEW_NOTE = 4,
    MELTEXT_MOVE = 5,
    MELTEXT_PITCH = 6,
    MELTEXT_ERASE = 8,
    MELTEXT_ERASE_CHORDS = 9,
};

class PANNIKEL_API CMelTextWindow : public CAbstWindow {
public:
    CMelTextWindow();
    CMelTextWindow(const CMelTextWindow &) = delete;
    CMelTextWindow &operator=(const CMelTextWindow &) = delete;

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    void ShowCursor(int on, CGUIContext *ctx) override;
    long GetValFromY(long y) override;
    long GetYFromVal(long value) override;
    void SetZoomVert(long zoom) override;
    void OnActivate() override;
    void UpdateTime(long from, long to, int full, int erase) override;
    void UpdateChords(long time) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;

    void SetByKSign(int on);
    // The lyric strip repaints.
    void UpdateText();
    // After a change of the melody or the text: this window, the lyric text
    // window of the track and the measures window's row follow.
    void UpdateDependencies();

    // 4 a new note, 5 a note start to move, 6 a note to transpose; event is
    // the note concerned.
    long InMelodyNote(long time, long pitch, EVENT *&event);

    CTrackMelText *track = nullptr;
    long noteHeight;
    CTimeLine timeLine;
    FIRSTVISIBLE firstVisible;
    CQuadNotes dragged;
    CGUIGradient gradients;
    int byKSign = 0;

private:
    long RollTop() const { return 48; }
    long RollBottom() const { return height - 26; }
    long RowOrigin() const { return RollTop() - scrollPosY; }
    CTrackChords *Chords() const;
    long KeyAt(long time);
    void DrawLeftBand(CGUIContext *ctx);
    void DrawLeftCorners(CGUIContext *ctx);
    void DrawChordStrip(CGUIContext *ctx, long from, long to);
    void DrawLyricStrip(CGUIContext *ctx, long from, long to);
    void DrawMelody(CGUIContext *ctx, long from, long to);
    // The melody event index that sounds at the tick, and the tick where
    // the note it starts ends (the next melody event's).
    long NoteEnd(long index) const;
    QUAD NoteQuad(const EVENT *note, long index) const;
    void EndGesture();
    void EditChord(long x);
    void DivideText(long x, long y, int flag);
    void GlueText(long x);
    void EditNoteStart(long x, long y);
    void EditNoteMove(long x, long y);
    void EditNoteStop(int flag1);
    void DeleteNote(long x, long y);
    void EndErase();
    void DeleteChords();
    void MelodyChanged(int nodes);
    void SetHoverStatus(long x, long y);

    // The gesture.
    long pressTime = 0;
    long pressPitch = 0;
    long lastTime = 0;
    long lastPitch = 0;
    long moveDelta = 0;
    long pitchDelta = 0;
    long previewed = -1;
    EraseStroke erase;
};

} // namespace Quorvane
