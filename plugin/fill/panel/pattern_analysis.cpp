#include "plugin/fill/panel/pattern_analysis.h"

#include "plugin/fill/engine/grindelvosket.h"

#include "base/registry.h"

#include <cstdio>

namespace Quorvane {

namespace {

// The drum groups the group columns count, lettered K, S, H, O, R, T, C;
// notes in none count as X.
const CMidiTrack::CountingGroup kGroups[7] = {
    {{'K'}, {35, 36}},     {{'S'}, {37, 38, 39, 40}},         {{'H'}, {42, 44}},         {{'O'}, {46}},
    {{'R'}, {51, 53, 59}}, {{'T'}, {41, 43, 45, 47, 48, 50}}, {{'C'}, {49, 52, 55, 57}},
};

std::string format(const char *pattern, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Ten characters, instrument 9 first and instrument 0 last.
std::string instrumentMask(Grindelvosket &engine, const CMidiTrack &track)
{
    uint8_t map[128];
    for (int note = 0; note < 128; ++note)
        map[note] = static_cast<uint8_t>(engine.drumSet().instrument(note));
    const uint32_t mask = track.getInstrumentMask(map);
    std::string text;
    for (int instrument = 9; instrument >= 0; --instrument)
        text += (mask >> instrument) & 1 ? '1' : '0';
    return text;
}

} // namespace

void analysePattern(Grindelvosket &engine, const CMidiTrack &pattern, std::string cells[21])
{
    CMidiTrack track(pattern);
    const int32_t resolution = track.getResolution() > 0 ? track.getResolution() : 480;
    const auto doubles = static_cast<int32_t>(readAppRegistryValue("Durations", "Doubles", 128, false));
    if (doubles > 0)
        track.removeDoubledNotes(resolution * 4 / doubles);
    track.refreshStatistics();

    const int32_t first = track.getFirstNoteTime();
    const int32_t last = track.getLastNoteTime();
    cells[4] = format("%02d", first < 0 ? 0 : static_cast<int>(int64_t(first) * 8 / resolution));
    cells[5] = format("%02d", last < 0 ? 0 : static_cast<int>(int64_t(last) * 8 / resolution));
    cells[6] = format("%02d", track.getNoteEventCount());
    const uint32_t rhythm = track.getRhythmMask(32, 32);
    cells[7].clear();
    for (int step = 31; step >= 0; --step)
        cells[7] += (rhythm >> step) & 1 ? '1' : '0';
    cells[8] = format("%02d", track.getDistinctNoteCount());
    cells[9] = instrumentMask(engine, track);
    CMidiTrack arranged(track);
    engine.prepare(arranged, false);
    engine.fitToInstruments(arranged);
    arranged.refreshStatistics();
    cells[10] = instrumentMask(engine, arranged);

    int counts[8] = {};
    track.countNotesPerGroup(kGroups, 7, counts);
    // The merged rhythm: every note one drum.
    CMidiTrack merged(track);
    uint8_t one[128];
    for (uint8_t &note : one)
        note = 36;
    merged.mapNotes(one);
    merged.removeDoubledNotes(resolution * 4 / 128);
    engine.prepare(merged, false);
    engine.fitToInstruments(merged);
    merged.refreshStatistics();
    uint32_t packed = 0;
    const int complexity = merged.getDensityScore(&packed);
    cells[11] = format("%05X", static_cast<int>(packed));
    cells[12] = format("%03d", complexity);

    const char letters[] = "KSHORTCX";
    for (int group = 0; group < 8; ++group) {
        char cell[16] = {};
        if (counts[group] > 0 && (letters[group] == 'T' || letters[group] == 'X'))
            std::snprintf(cell, sizeof cell, "%c%d", letters[group], counts[group]);
        else if (counts[group] > 0)
            cell[0] = letters[group];
        cells[13 + group] = cell;
    }
}

} // namespace Quorvane
