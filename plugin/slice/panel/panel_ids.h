// Identifiers of the loop-slice editor: its resources, the commands of its
// controls (which are also the ids of their help texts) and the items of
// its dialogs. Shared by the code and the resource script.
#pragma once

// ---- Resources
#define IDR_PANEL_KEYS 2050
#define IDD_LOOP_BROWSER 2003
#define IDD_SLICE_OPTIONS 2004
#define IDB_MUTE 2100
#define IDB_IDRC 2101
#define IDB_COMPOSE_ALL 2105
#define IDB_PREVIOUS 2106
#define IDB_NEXT 2107
#define IDB_NOTE_BAR 2110
#define IDB_NOTE_MARKER 2112
#define IDB_COMPOSE 2113
#define IDB_PARTS 2114
#define IDB_HEADER 2115
#define IDB_SLIDER_TRACK 2116
#define IDB_SLIDER_THUMB 2117
#define IDB_LOGO 2118

// ---- Global controls of the panel
#define ID_COMPOSE_ALL 3000
#define ID_OPTIONS 3001
#define ID_DRAG_OUT 3005
#define ID_SWING 3007
#define ID_DYNAMICS 3008
#define ID_HUMANIZE 3010
#define ID_QUANTIZE 3012
#define ID_MODE 3014
#define ID_PARAMETER_CHOOSER 3015
#define ID_NOTE_NAMES 3016
#define ID_SMALL 3017
#define ID_MEDIUM 3018
#define ID_LARGE 3019
#define ID_RESET 3020
#define ID_HELP 3021
#define ID_EDIT 3022
#define ID_GRID 3023

// ---- A slice view's controls and commands
#define ID_MUTE 4000
#define ID_FOCUS_CURRENT_SLICE 4001
#define ID_COPY_LOOP 4002
#define ID_PASTE_LOOP 4003
#define ID_PATTERN 4007
#define ID_STROKES_VIEW 4009
#define ID_IDRC 4011
#define ID_NEXT_PATTERN 4017
#define ID_PREVIOUS_PATTERN 4018
#define ID_NOTE_NAME 4019
#define ID_HOST_COMMAND 4022
#define ID_SOLO 4023
#define ID_CLEAR_PATTERN 4025
#define ID_CLEAR_LOOP 4026
#define ID_COMPOSE 4027
#define ID_PART 4039
#define ID_STROKES_MIN 4041
#define ID_STROKES_MAX 4042
#define ID_NEXT_SLICE 4045
#define ID_PREVIOUS_SLICE 4046
#define ID_PARAMETER 4047
#define ID_HELP_VELOCITY 4050
#define ID_HELP_DYNAMICS 4051
#define ID_HELP_TIME 4052

// ---- The loop browser: its controls, and the commands the panel forwards
// to it (save into the selected file, save as, delete, load)
#define IDC_LOOP_TREE 4012
#define IDC_LOOP_SAVE 4013
#define IDC_LOOP_DELETE 4016
#define ID_BROWSER_SAVE 4100
#define ID_BROWSER_SAVE_AS 4101
#define ID_BROWSER_DELETE 4102
#define ID_BROWSER_LOAD 4103

// ---- Quick pads
#define ID_PAD_FIRST 7000
#define ID_PAD_LAST 7100

// ---- The options dialog
#define IDC_TRIGGER_ENABLED 2007
#define IDC_CHANNEL 5000
#define IDC_DRUM_MAP_LIST 5004
#define IDC_PORT 5005
#define IDC_DRUM_MAP_NAME 5006
#define IDC_CYCLE_MEASURES 5009
#define IDC_RENDER_MODE 5010
#define IDC_TRIGGER_LOW 5011
#define IDC_NOTIFY_HOST 5012
#define IDC_NOTE_NAME_SETS 5013
#define IDC_VELOCITY_MIN 5014
#define IDC_VELOCITY_MAX 5015
