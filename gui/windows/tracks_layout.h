// The tracks window's fixed geometry, its columns and what each track kind
// shows in them (shared by its painting, mouse and editing parts).
#pragma once

#include "data/track.h"
#include "gui/windows/tracks_window.h"

namespace Quorvane {

class CSong;

namespace tracks_layout {

constexpr long kHeaderHeight = 48;
constexpr long kRowHeight = 26;
// Rows take presses from here down; above is the header.
constexpr long kFirstRowY = 49;
// Empty numbered rows after the last track.
constexpr long kEmptyRows = 23;
// The width of a drop-down or up/down mark.
constexpr long kMarkWidth = 8;

// Gestures.
enum : long { kDragNone = 0, kDragSlider = 1, kDragUpDown = 2, kDragResize = 1000 };

// Text alignments: horizontal in bits 0-1, vertical in bits 2-3.
constexpr unsigned long kAlignLeftMiddle = 4;
constexpr unsigned long kAlignCentreMiddle = 5;
constexpr unsigned long kAlignRightMiddle = 6;

struct Column {
    const char *caption;
    long minimum; // 0: the column cannot be resized
};

constexpr Column kColumns[kTracksColumns] = {
    {"N", 31},     {"T", 0},       {"Name", 3}, {"M", 0},     {"S", 0},
    {"U", 0},      {"Out", 26},    {"Chan", 3}, {"Bank", 3},  {"Program", 3},
    {"Volume", 3}, {"Panning", 3}, {"Key+", 3}, {"Time+", 3}, {"Eff", 3},
};

// Row backgrounds by kind: master, chords, melody text, MIDI, audio, the
// three pattern kinds.
constexpr long kRowGradient[8] = {0, 1, 2, 3, 4, 5, 5, 5};

struct KindCells {
    bool channel;
    bool bankProgram;
    long sliderGradient;
    long keyLimit; // Key+ runs -keyLimit..keyLimit
};

constexpr KindCells kKindCells[8] = {
    {false, false, 6, 127}, // master (never shown)
    {false, true, 7, 12},   // chords
    {true, true, 8, 127},   // melody text
    {true, true, 9, 127},   // MIDI
    {false, false, 10, 6},  // audio
    {true, true, 11, 127},  // MIDI pattern
    {true, true, 11, 127},  // drum pattern
    {true, true, 11, 127},  // guitar pattern
};

inline const KindCells &CellsOf(long kind)
{
    return kKindCells[kind < 0 || kind > 7 ? 0 : kind];
}

// The track field a value column edits: bank, program, volume, panning,
// key or time shift.
inline long CTrack::*SettingOf(long column)
{
    switch (column) {
    case TRCOL_BANK:
        return &CTrack::bank;
    case TRCOL_PROGRAM:
        return &CTrack::program;
    case TRCOL_VOLUME:
        return &CTrack::volume;
    case TRCOL_PAN:
        return &CTrack::pan;
    case TRCOL_KEY:
        return &CTrack::transpose;
    default:
        return &CTrack::timeOffset;
    }
}

// The display name of an output and its kind (-1 without one).
void OutPortText(CSong *song, void *output, char *text, long size, long &kind);

} // namespace tracks_layout
} // namespace Quorvane
