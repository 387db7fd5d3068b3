// A collection as a DLS synthesizer takes it through its Download: one
// block per wave and per instrument, each a DMUS_DOWNLOADINFO, its offset
// table and the structures the table points at. A region's wave link names
// the download id of its wave.
#pragma once

#include "outside/dls/dls_collection.h"

#include <dmdls.h>

#include <cstdint>
#include <vector>

struct DlsDownload {
    // Kept as 64-bit words, so the block's structures stand aligned.
    std::vector<uint64_t> words;
    void *data() { return words.data(); }
    const DMUS_DOWNLOADINFO &info() const
    {
        return *reinterpret_cast<const DMUS_DOWNLOADINFO *>(words.data());
    }
};

// The waves first (download ids firstId, firstId + 1, ... by cue), then the
// instruments (the ids after them).
std::vector<DlsDownload> BuildDownloads(const DlsCollection &collection, DWORD firstId);

// The articulation of DLS level 1 connections, the level's defaults for
// what they leave out.
DMUS_ARTICPARAMS ArticulationOf(const std::vector<CONNECTION> &connections);

// The patch a synthesizer knows an instrument by: bank select MSB and LSB,
// program, and the drum flag.
ULONG PatchOf(const MIDILOCALE &locale);
