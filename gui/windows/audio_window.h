// One audio track as a waveform under the time ruler. Horizontal positions
// count samples (the zoom is samples per pixel) and meet the song's ticks
// through its tempo map. In "Synchro" mode the user lines the song's beats
// up with the recording: a beat line dragged sets the tempo of the beat
// before it, a drag inside a beat shifts the whole wave. In the value modes
// ("Volume", "Panning", "Wheel") the track's controller lanes are drawn
// over the dimmed wave with the controller drawing tool.
#pragma once

#include "gui/draw/gui_tables.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/draw_ctrl.h"
#include "gui/windows/first_visible.h"
#include "gui/windows/time_line.h"
#include "gui/windows/value_lane.h"

#include <cstdint>

namespace Quorvane {

class CTrackAudio;

// The audio window's own kind: beats against the wave.
enum : long { AUDIO_SYNCHRO = -2 };

// Gestures of the audio window, besides the base's.
enum : long {
    AUDIO_BAND = 2,
    AUDIO_DRAW = 3,
    AUDIO_ERASE = 8,
    AUDIO_BEAT_LINE = 10,
    AUDIO_WAVE_SHIFT = 11,
};

class PANNIKEL_API CAudioWindow : public CAbstWindow {
public:
    CAudioWindow();
    ~CAudioWindow() override;
    CAudioWindow(const CAudioWindow &) = delete;
    CAudioWindow &operator=(const CAudioWindow &) = delete;

    int InitLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ShowCursor(int on, CGUIContext *ctx) override;
    long GetTimeFromX(long x) override;
    long GetXFromTime(long time) override;
    long GetValFromY(long y) override;
    long GetYFromVal(long value) override;
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float delta, int vertical) override;
    void EnsureVisibleTime(long time, int page) override;

    // AUDIO_SYNCHRO, 7 volume, 10 panning, 128 pitch wheel.
    void SetEdit(long kind);
    int64_t GetSmplFromX(long x);
    long GetXFromSmpl(int64_t sample);
    // channel: 0 mono, 1 left, 2 right.
    long GetYFromValF(float amplitude, long channel);
    float GetValFFromY(long y, long &channel);
    // 1 on a beat line (time: the beat's), 2 inside a beat whose wave can be
    // shifted (time: the pointer's), else 0.
    long IsCursorOnBeat(long x, long &time);
    // The beat before the beat line at time; 0 when its tempo range leaves
    // the pointer no room.
    int PrepareSyncro(long beatTime);
    int PrepareShift(long time);
    // "+m.ss.mmm" of a number of samples.
    char *StringShift(int64_t samples, char *text);

    // Fields in their order.
    CTimeLine timeLine;
    CGUIGradient gradients;
    FIRSTVISIBLE firstVisible;
    DRAWCTRL drawCtrl;
    CTrackAudio *track = nullptr;
    long edit = AUDIO_SYNCHRO;
    QUAD bounds{0, 0, 0, 0};
    long beatStart = 0;
    long beatLength = 0;
    long lowerX = 0;
    long upperX = 0;
    int64_t shiftSample = 0;
    long rulerX = 0;
    char *beatText = nullptr;
    float halfH = 0;
    float quarterH = 0;
    ValueLane lane;

private:
    int ValueMode() const { return edit != AUDIO_SYNCHRO; }
    long DataHeight() const { return height - 22; }
    const char *KindName() const;
    void DrawLeftBand(CGUIContext *ctx);
    void DrawHoszGrid(CGUIContext *ctx);
    void DrawWave(CGUIContext *ctx);
    void DrawChannel(CGUIContext *ctx, const float *block, long columns, long first, long channel);
    void EndGesture();
    void DrawWithTool();
    void DeleteInFrame();
    void ChangeTempo();
    void ShiftWave(long x);
    void TrackChanged();
    void SetHoverStatus(long x, long y);
};

} // namespace Quorvane
