// The sound routing of one song as a table of four pages: its output
// ports (each routed to a bus), its audio buses (level meters, volume,
// panning), the audio effects of one bus and the MIDI effects of one MIDI
// track. The routing lives in the song's song tract in the sound engine,
// reached only through the tract's interface; dialogs, choosers and effect
// editors are the host's, asked for through the client's requests.
// Registered under key1 32767.
#pragma once

#include "data/struct_array.h"
#include "gui/windows/abst_window.h"
#include "gui/windows/table_columns.h"

namespace Quorvane {

class IQuorvaneSongTract;
class CMEffElem;
class CTrackMIDI;

// Pages of the song tract window.
enum : long { STPAGE_PORTS = 0, STPAGE_BUSES = 1, STPAGE_AUDIO_EFFECTS = 2, STPAGE_MIDI_EFFECTS = 3 };

// Requests of the song tract window to its client.
enum : long {
    STREQ_PORT_PROPERTIES = 1,
    STREQ_CHOOSE_BUS = 2,
    STREQ_NEW_PORT = 3,
    STREQ_AUDIO_EFFECT_PROPERTIES = 4,
    STREQ_NEW_AUDIO_EFFECT = 5,
    STREQ_BUS_CHOOSER = 6,
    STREQ_NEW_MIDI_EFFECT = 7,
    STREQ_MIDI_EFFECT_PROPERTIES = 8,
    STREQ_TRACK_CHOOSER = 9,
    STREQ_CLOSE_SYNTH_EDITOR = 10,
    STREQ_CLOSE_AUDIO_EFFECT_EDITOR = 11,
    STREQ_CLOSE_MIDI_EFFECT_EDITOR = 12,
    STREQ_CLOSE_EDITORS = 13,
    // a: a MonitorProc to fill with the callback the tract's level monitor
    // calls, b: a ULONG_PTR to fill with its user value.
    STREQ_MONITOR_CALLBACK = 14,
};

// One row: a handle of the tract (an output, a bus, an audio effect) or a
// MIDI effect element.
struct SONGTRACT_ITEM : public STRUCTELEM {
    void *item = nullptr;
};

constexpr long kNoTractItem = 0x0fffffff;

class PANNIKEL_API CSongTractWindow : public CAbstWindow, public CStructArray {
public:
    CSongTractWindow();

    int InitLocal() override;
    void DestroyLocal() override;
    void Resize() override;
    void Render(CGUIContext *ctx) override;
    void ModifyScrollQuad(long axis, QUAD *quad) override;
    void ShowCursor(int, CGUIContext *) override {}
    void ShowSongPtr(int, CGUIContext *) override {}
    void OnLButtonDown(long x, long y, int flag1, int flag2) override;
    void OnLButtonDblClk(long x, long y, int flag1, int flag2) override;
    void OnLButtonUp(long x, long y, int flag1, int flag2) override;
    void OnMouseMove(long x, long y, int flag1, int flag2) override;
    void OnMouseWheel(float, int) override {}
    void UpdateChords(long) override {}
    void UpdateSongPtr(int) override {}
    void SetZoomVert(long) override {}

    // A negative page keeps the current one.
    void SetShowType(long page, long owner);
    long GetShowType() const { return showType; }
    int HaveSelection() const { return selItem >= 0 && selItem < GetNumb(); }
    void SetEditItem(long row, long column)
    {
        editRow = row;
        editCol = column;
    }
    // Fills the list again; the row to select (kept when negative) and
    // the item to select, when it is in the list.
    void UpdateInfo(long row, void *item);
    void OnSetEffectOwner(long owner);

    int CanPropItem();
    int OnPropItem();
    int CanAddItem();
    int OnAddItem();
    int CanDelItem();
    int OnDelItem();
    int CanMoveItem(int up);
    int OnMoveItem(int up);
    int CanMode();
    int IsMode();
    int OnMode();
    int CanApply();
    int OnApply();
    int CanPortRefresh();
    int OnPortRefresh();
    void DoPortRefresh(void *output);
    void CloseOutPorts();
    void CloseAudioEffects();
    void CloseMIDIEffects();
    // The host calls it from the level monitor's callback, on its own
    // thread of windows.
    void OnMonitorCallback();

    // The texts of the volume and panning cells (0.0..2.0).
    static char *VolText(float volume, char *text, long size);
    static char *PanText(float pan, char *text, long size);

    // The row's item.
    void *ItemAt(long row) const;
    long GetRow(long y) const;

    // Fields in their order.
    long showType = STPAGE_PORTS;
    long effOwner = 0;
    long selItem = 0;
    long editRow = kNoTractItem;
    long editCol = kNoTractItem;
    IQuorvaneSongTract *tract = nullptr;
    long colsPorts[3];
    long colsBuses[7];
    long colsAudioEffects[3];
    long colsMIDIEffects[3];

private:
    TableColumns Columns();
    long RowTop(long row) const { return TableRowTop(row, scrollPosY); }
    QUAD CellQuad(long row, long column);
    void UpdateRow(long row);
    void UpdateCell(long row, long column);
    void EnsureVisible(long row);
    void Select(long row);
    // The bus whose effects page 2 shows: null for the master.
    void *OwnerBus();
    CTrackMIDI *OwnerTrack();
    void LeavePage(long next, long previousOwner);
    void EnterPage();
    void DrawRow(CGUIContext *ctx, long row);
    void DrawPortRow(CGUIContext *ctx, long row, const TableColumns &cols);
    void DrawBusRow(CGUIContext *ctx, long row, const TableColumns &cols);
    void DrawAudioEffectRow(CGUIContext *ctx, long row, const TableColumns &cols);
    void DrawMIDIEffectRow(CGUIContext *ctx, long row, const TableColumns &cols);
    void DrawLevel(CGUIContext *ctx, long row, QUAD cell);
    void DrawVol(CGUIContext *ctx, QUAD cell, float volume, int edited);
    void DrawPan(CGUIContext *ctx, QUAD cell, float pan, int edited);
    void PressRow(long row, long column, long x);
    void ChooseBus(long row, QUAD cell);
    void StartValueDrag(long row, long column);
    void EditVolPan(long x);
    // The position of the dragged value in its cell.
    long ValueX(long row, long column);
    void EndGesture();
    void SetHoverStatus(long x, long y);
};

} // namespace Quorvane
