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
