// The builds of the one host family whose windows and in-process data the
// plug-ins know how to read: one 244-byte row per build and language, the
// table ended by a row with an empty version string. The values locate
// things inside the host and only fit the real builds; they are data.
#pragma once

#include <cstdint>

namespace Quorvane {

constexpr int kHostValueCount = 38;

#pragma pack(push, 1)
struct HostBuildRow {
    char programFile[20];   // e.g. "studio.exe"
    int32_t level;          // 0, 1 or 2; some features need 2
    char fileVersion[20];   // the build's "FileVersion"
    char coreModule[20];    // the host's sequencer-core module
    char documentType[20];  // registered type of the song document template
    int32_t language;       // of the host's string resources; 0 means 1033
    uint32_t preferredBase; // where the program prefers to load (0x400000)
    uint32_t values[kHostValueCount];
};
#pragma pack(pop)

static_assert(sizeof(HostBuildRow) == 244, "rows are 244 bytes");

// What each value locates; 0 means the build does not have it. The first
// kHostFirstOffset values are addresses in the host program (moved by where
// it is actually loaded), the rest are offsets of fields.
enum HostValue : int {
    // Addresses.
    HostAppObject = 0,        // the host's application object
    HostActiveDocument = 1,   // variable holding the active song document
    HostSetNowRoutine = 2,    // routine (document, ticks): move the now time
    HostSendShortRoutine = 3, // routine (track, message): play a message
    kHostFirstOffset = 8,
    // Offsets. Lists are chains of nodes {next, previous, item}.
    AppDocumentManager = 8,    // app -> document manager
    ManagerTemplates = 9,      // document manager -> list of templates
    TemplateDocStrings = 10,   // template -> its "\n"-separated strings
    TemplateDocuments = 11,    // template -> list of open documents
    DocumentViews = 12,        // document -> list of views
    ViewWindow = 13,           // view -> its window handle
    DocumentTrackCount = 14,   // document -> number of tracks (int32)
    DocumentTrackTable = 15,   // document -> pairs {track number, track}
    TrackFilters = 16,         // track -> list of MFX filters
    DocumentNow = 17,          // document -> now time in ticks (int32)
    DocumentCurrentTrack = 18, // document -> current track number (int32)
    TrackFirstValue = 19,      // track -> 14 int32 track values, each located
    TrackValueCount = 14,      //   by its own value
    TrackListValues = 33,      // track -> 16 int32 values
};

// The field of a template's strings that holds its registered type.
constexpr int kTemplateTypeField = 5;

// The built-in table of supported builds.
const HostBuildRow *builtInHostBuilds();

// The table identification uses: the built-in one unless replaced (tests
// replace it with builds of their own). Null restores the built-in table.
const HostBuildRow *hostBuildTable();
void setHostBuildTable(const HostBuildRow *table);

} // namespace Quorvane
