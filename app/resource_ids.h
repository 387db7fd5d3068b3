// Resource and command ids of the program.
#pragma once

#define IDS_ABOUT_ENTRY 101
#define IDD_FRAME 102
#define IDI_PROGRAM 128
#define IDD_PARTS 133
#define IDR_PARTS_MENU 133
#define IDD_EDITOR_HOST 140

// The frame's system-menu entry "About".
#define IDM_ABOUT 16

#define ID_TEMPLATE 32771
#define ID_PLAY 32776
#define ID_LOOP 32777
#define ID_METRONOME 32778
#define ID_MEASURES_1 32779
#define ID_MEASURES_8 32786
#define ID_AUDIO_STREAM 32787
#define ID_OUT_PORT 32788
#define ID_TOOLTIPS 32792
#define ID_REFRESH_PORT_INFO 32794
#define ID_PART_AUTO_SWITCH 32799
#define ID_LATCH 32802
#define ID_NOTE_NAMES 32804
#define ID_HELP_MANUAL 32808
#define ID_SAVE_STATE 32811
#define ID_APP_ABOUT 57664
