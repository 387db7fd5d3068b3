// Resource ids of the equipment database's dialogs, strings and images.
// Shared by the resource script and the code.
#pragma once

// Commit dialog.
#define IDD_DB_COMMIT 2000
#define IDC_COMMIT_ICON 2003
#define IDC_COMMIT_COUNTDOWN 2004
#define IDC_COMMIT_PROGRESS 2000
#define IDC_COMMIT_DONT_ASK 2005

// First-time set-up dialog.
#define IDD_DB_FIRST_TIME 2001
#define IDC_FIRST_PROGRESS 2000
#define IDC_FIRST_KIND_FIRST 2005 // the ten port kinds' boxes, 2005..2014
#define IDC_FIRST_TIMEBASE 2015
#define IDC_FIRST_PROVIDER 2016
#define IDC_FIRST_MIDI_INPUT 2017
#define IDC_FIRST_PROVIDER_PAGE 2019
#define IDC_FIRST_VST_FOLDER1 2020 // 2020..2022
#define IDC_FIRST_VST_BROWSE1 2023 // 2023..2025

// Chooser dialogs: resources.
#define IDB_DB_TREE 2002
#define IDI_DB_REFRESH 2003
#define IDI_DB_CANCEL 2004
#define IDI_DB_DELETE 2005
#define IDI_DB_OK 2006
#define IDI_DB_STORE 2007

// Template chooser.
#define IDD_DB_TEMPLATES 167
#define IDC_TEMPLATE_STORE 1028
#define IDC_TEMPLATE_DELETE 1029
// Preset chooser.
#define IDD_DB_PRESETS 170
#define IDC_PRESET_STORE 1031
#define IDC_PRESET_DELETE 1032
// Both: the names and the loading note.
#define IDC_CHOOSER_NAMES 2015
#define IDC_CHOOSER_LOADING 2024

// Equipment tree.
#define IDD_DB_TREE 169
#define IDC_TREE_VIEW 1028
#define IDC_TREE_DELETE 1030
#define IDC_TREE_REFRESH 1031
