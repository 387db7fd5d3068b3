// What a plug-in learns of its host beyond the MFX interface when it runs
// inside a recognised build of the host family: the host's windows, its
// song document template and, through the build table, its in-process data.
// Everything is optional: with the switch off or the build unknown only the
// window search and the position display are used.
#pragma once

#include "plugin/framework/plugin/host_build_table.h"

#include <windows.h>

#include <cstdint>

namespace Quorvane {

// The host windows found by the last search; null where none was found.
struct HostWindows {
    HWND main = nullptr;
    HWND mdiClient = nullptr;
    HWND statusBar = nullptr;
    HWND transportDisplay = nullptr; // position display of the "Transport" window
    HWND positionDisplay = nullptr;  // display of the "Position" toolbar
};

// The module-wide host-information record.
struct HostInfo {
    HostBuildRow row{};                  // the matching row as stored
    uintptr_t values[kHostValueCount]{}; // its values, addresses moved
    int rowIndex = -1;                   // index of the matching row
    uintptr_t docTemplate = 0;           // the host's song document template
    bool active = false;                 // integration active
    HostWindows windows;
};

const HostInfo &hostInfo();

// Identifies the running host build (every plug-in constructor asks):
// -1 no build recognised or the switch off, 0 recognised and active, 1
// recognised but its document template missing (after one message box).
int identifyHostBuild();

// The switch: "HostIntegration" in the settings section "Undocumented",
// default on.
bool hostIntegrationSwitchedOn();

// The song document template of the recognised build, or 0.
uintptr_t findHostDocTemplate();

// Searches the host windows of the current thread's application and keeps
// them in the record.
const HostWindows &findHostWindows();

// The host's position display as measure, beat, tick: the "Position"
// toolbar's display, else the "Transport" window's. False without a display
// or when its text is not "measure:beat:tick".
bool readHostPosition(int32_t *measure, int32_t *beat, int32_t *tick);
// The text rule of readHostPosition: two ':' separating three decimal
// numbers, blanks around them allowed.
bool parseHostPosition(const char *text, int32_t *measure, int32_t *beat, int32_t *tick);

// Host commands posted to the main window.
void postHostCommand32797();
void postHostCommand32797Twice();
void postHostCommand32798();

bool isHostIntegrationActive();
HWND getHostMainWindow();
// The top child of the host's MDI client, or null.
HWND getActiveMdiChild();
bool getHostLevelAtLeast2();
// The host's active song document, or 0.
uintptr_t getHostActiveDocument();
// Current track number and now time of the active document; -1 without a
// document or with the integration off.
int32_t getHostCurrentTrack();
int32_t getHostNowTicks();

// Forgets the recognised build and the windows (tests start clean with it).
void resetHostInfo();

} // namespace Quorvane
