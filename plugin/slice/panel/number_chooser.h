// The strokes combos' numbers: one entry per set bit of a mask of pattern
// numbers, from bit 31 down to bit 0.
#pragma once

#include "plugin/framework/gui/flat_combo.h"

#include <cstdint>

namespace Quorvane::LoopSlice {

// Empties the combo and adds one entry per set bit of mask (the bit's
// number in decimal, highest first); selects the entry of current.
void fillNumberChooser(FlatCombo &combo, uint32_t mask, int current);
// The number of the combo's selected entry; -1 without one.
int chooserNumber(const FlatCombo &combo);

} // namespace Quorvane::LoopSlice
