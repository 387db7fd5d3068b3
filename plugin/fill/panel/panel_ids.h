// Resource ids of the fill editor panel and its dialogs: control ids (each
// also the id of its help text in the string table), commands, accelerator
// tables, dialog templates and bitmaps. Plain defines, shared with the
// resource script.
#pragma once

// ---- Panel controls and their help texts
#define IDC_XFORM 3000
#define IDC_OPTIONS 3001
#define IDC_DRAG_OUT 3005
#define IDC_SWING_DURATION 3006
#define IDC_SWING 3007
#define IDC_MAIN_DYNAMICS 3008
#define IDC_QUANTIZE 3012
#define IDC_SWING_DURATION_NOTIFY 3013
#define IDC_CONTROL_SELECTION 3015
#define IDC_NOTE_NAMES 3016
#define IDC_RESET 3020
#define IDC_HELP_BUTTON 3021
#define IDC_TIME_LOCATORS 3022
#define IDC_MEASURE 3024
#define IDC_LOCK 3025
#define IDC_COMPARE 3026
#define IDC_ENVELOPE 3027
#define IDC_RESOLUTION 3028
#define IDC_SAVE_FILL 3029
#define IDC_TRANSPORT_W 3030
#define IDC_EDIT_MODE 3031
#define IDC_GRID 3032
#define IDC_TRANSPORT_SPACE 4022
#define IDC_TRACK_MASKING 4052
#define IDC_TRACK_FILL_ZONE 4053
#define IDC_TRACK_AFTER_ZONE 4054
#define IDC_MIXER 5024
#define IDC_PADS 7000
#define IDC_PADS_LAST 7100

// ---- Looper view controls, commands and help texts
#define IDC_LOOPER_VIEW 4001
#define IDC_MUTE 4000
#define IDC_COPY_FILL 4002
#define IDC_PASTE_FILL 4003
#define IDC_EVENT_BAR 4009
#define IDC_NOTE_COMBO 4019
#define IDC_SOLO 4023
#define IDC_CLEAR_PART 4025
#define IDC_CLEAR_FILL 4026
#define IDC_NEXT_CONTROL 4028
#define IDC_PREVIOUS_CONTROL 4029
#define IDC_NEXT_BAR 4045
#define IDC_PREVIOUS_BAR 4046
#define IDC_PARAMETER 4047
#define IDC_INSTRUMENT 4049
#define IDC_INSTRUMENT_SOLO 4050
#define IDC_EXTRA_DRUMS 4055
#define IDS_PARAMETER_VELO 4060
#define IDS_PARAMETER_DYN 4061
#define IDS_PARAMETER_TIME 4062
#define IDC_TOGGLE_NOTE 40000

// ---- Accelerator tables
#define IDR_PANEL_KEYS 2050
#define IDR_LOOPER_KEYS 2051

// ---- Dialogs and their controls
#define IDD_OPTIONS 2004
#define IDD_RENAME 2007
#define IDC_DRUM_MAP_LIST 5004
#define IDC_PORT 5000
#define IDC_CHANNEL 5005
#define IDC_DRUM_MAP_NAME 5006
#define IDC_MODE 5012
#define IDC_OPTIONS_NOTE_NAMES 5013
#define IDC_VELOCITY_FROM 5014
#define IDC_VELOCITY_TO 5015
#define IDC_RENAME_FIRST_EDIT 8100

// ---- Bitmaps
#define IDB_MUTE 2100
#define IDB_EVENT_IMAGE 2110
#define IDB_EVENT_MASK 2112
#define IDB_INSTRUMENTS 2114
#define IDB_SWING_TRACK 2116
#define IDB_SWING_THUMB 2117
#define IDB_LOCATOR_LOW 2118
#define IDB_LOCATOR_HIGH 2119
#define IDB_MIXER_MODES 2120
#define IDB_LOCK 2121
#define IDB_FOLDER 13100
#define IDB_FOLDER_SELECTED 13101
#define IDB_VOLUME_FOLDER 13102
#define IDB_VOLUME_FOLDER_SELECTED 13103
