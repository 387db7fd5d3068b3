// A collection of instruments in the DLS (level 1) file format, as the
// system's General MIDI collection is kept: its instruments with their
// regions and articulations, and its wave pool. Read from the file's bytes;
// a damaged file reads as nothing.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <dls1.h>

#include <cstdint>
#include <string>
#include <vector>

struct DlsWave {
    WAVEFORMATEX format = {};
    std::vector<uint8_t> data;
    bool hasSample = false;
    WSMPL sample = {};
    bool hasLoop = false;
    WLOOP loop = {};
};

struct DlsRegion {
    RGNHEADER header = {};
    WAVELINK link = {};
    bool hasSample = false;
    WSMPL sample = {};
    bool hasLoop = false;
    WLOOP loop = {};
    bool hasArticulation = false;
    std::vector<CONNECTION> connections;
};

struct DlsInstrument {
    MIDILOCALE locale = {};
    std::vector<DlsRegion> regions;
    bool hasArticulation = false;
    std::vector<CONNECTION> connections;
    std::string name;
};

struct DlsCollection {
    std::vector<DlsInstrument> instruments;
    // By the pool table's cues: a region's wave link names its cue.
    std::vector<DlsWave> waves;
};

// The collection in the bytes of a DLS file; false when they are not one or
// are damaged (a chunk past its list's end, a region linking no wave).
bool ReadDlsCollection(const uint8_t *bytes, size_t size, DlsCollection &collection);

// The file named by the system's default General MIDI collection
// (HKEY_LOCAL_MACHINE "Software\Microsoft\DirectMusic", "GMFilePath", with
// its environment strings expanded); empty when the system names none.
std::string DefaultCollectionPath();
