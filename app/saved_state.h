// The parts window's saved state: which part and editor were in front, the
// twelve part lengths, the loop and the editor windows' docking. It is kept
// as an 80-byte block beside the song the program hibernates into, and
// offered to the template chooser in the same form.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Quorvane {

constexpr int kParts = 12;
constexpr int kEditorWindows = 4;
// The last editor window shows the output's soft synth.
constexpr int kOutputEditor = 3;
constexpr uint32_t kSavedStateMagic = 0x0789ABCD;

#pragma pack(push, 1)
struct SavedPartsState {
    uint32_t magic;
    int32_t currentPart;
    int32_t frontEditor;
    int32_t partLengths[kParts];
    int32_t loop;
    int32_t docked[kEditorWindows];
};
#pragma pack(pop)
static_assert(sizeof(SavedPartsState) == 80, "the stored block is 80 bytes");

// A block of exactly 80 bytes with the magic, its values brought into range
// (parts 0..11, editor 0..3, lengths 1..8 measures, flags 0 or 1); false for
// anything else, and out is left alone.
bool ReadSavedState(const void *data, size_t size, SavedPartsState &out);

} // namespace Quorvane
