#include "plugin/fill/engine/instrument_groups.h"

#include <array>

namespace Quorvane::InstrumentGroups {

namespace {

constexpr Group kGroups[kGroupCount] = {
    {"All", 0, 0, {}, 0, {}},
    {"Bass drum", 1, 2, {35, 36}, 6, {{1, 0}, {5, -1}, {2, 0}, {3, -1}, {4, 0}, {6, 0}}},
    {"Snare", 1, 2, {38, 40}, 5, {{2, 0}, {5, 1}, {3, -1}, {4, 0}, {1, 0}}},
    {"HHats", 2, 3, {42, 44, 46}, 5, {{3, -1}, {4, 0}, {5, 1}, {2, 0}, {6, 0}}},
    {"Ride cymbal", 2, 2, {51, 53}, 5, {{4, 0}, {3, -1}, {5, 1}, {2, 0}, {6, 0}}},
    {"Toms", 1, 6, {41, 43, 45, 47, 48, 50}, 5, {{5, 0}, {2, 0}, {3, -1}, {4, 0}, {1, 0}}},
    {"Crash", 2, 4, {49, 52, 55, 57}, 6, {{6, 0}, {3, 1}, {4, 0}, {5, 0}, {2, 0}, {1, 0}}},
};

constexpr int kPositionWeights[] = {10, 6, 4, 3, 2, 2, 0};

constexpr int kCymbalRowCount = 5;
constexpr uint8_t kCymbalRows[kCymbalRowCount][1 + kCymbalAlternatives] = {
    {46, 49, 52, 55, 57}, {49, 52, 55, 57, 46}, {52, 49, 55, 57, 46},
    {55, 49, 52, 57, 46}, {57, 49, 52, 55, 46},
};

constexpr CMidiTrack::CollisionGroup kCollisionGroups[] = {
    {2, {35, 36}},
    {2, {37, 38, 40}},
    {2, {42, 44, 46, 49, 51, 52, 53, 55, 57}},
    {3, {37, 38, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 53, 55, 57}},
    {0, {}},
};

struct Derived {
    std::array<uint8_t, 128> groupOf{};
    std::array<int8_t, 128> cymbalRowOf{};
    int low[kGroupCount] = {};
    int high[kGroupCount] = {};

    Derived()
    {
        cymbalRowOf.fill(-1);
        for (int g = 1; g < kGroupCount; ++g) {
            const Group &record = kGroups[g];
            low[g] = 127;
            for (int i = 0; i < record.noteCount; ++i) {
                const int note = record.notes[i];
                groupOf[note] = static_cast<uint8_t>(g);
                low[g] = note < low[g] ? note : low[g];
                high[g] = note > high[g] ? note : high[g];
            }
        }
        for (int row = 0; row < kCymbalRowCount; ++row)
            cymbalRowOf[kCymbalRows[row][0]] = static_cast<int8_t>(row);
    }
};

const Derived &derived()
{
    static const Derived tables;
    return tables;
}

bool isNote(int note)
{
    return note >= 0 && note < 128;
}

} // namespace

const Group &group(int index)
{
    return kGroups[index < 0 || index >= kGroupCount ? 0 : index];
}

int positionWeight(int position)
{
    constexpr int count = sizeof(kPositionWeights) / sizeof(kPositionWeights[0]);
    return position >= 0 && position < count ? kPositionWeights[position] : 0;
}

int noteGroup(int note)
{
    return isNote(note) ? derived().groupOf[note] : 0;
}

int groupLow(int g)
{
    return g > 0 && g < kGroupCount ? derived().low[g] : 0;
}

int groupHigh(int g)
{
    return g > 0 && g < kGroupCount ? derived().high[g] : 0;
}

int cymbalRow(int note)
{
    return isNote(note) ? derived().cymbalRowOf[note] : -1;
}

const uint8_t *cymbalAlternatives(int row)
{
    return row >= 0 && row < kCymbalRowCount ? &kCymbalRows[row][1] : nullptr;
}

const CMidiTrack::CollisionGroup *collisionGroups()
{
    return kCollisionGroups;
}

} // namespace Quorvane::InstrumentGroups
