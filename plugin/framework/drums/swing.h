// Swing of event times: within each pair of grid units the first unit is
// stretched and the second squeezed, so the off-beat moves late.
#pragma once

#include <cstdint>

namespace Quorvane {

// The amount of a swing percent (0..100) for a unit: percent x (unit / 2) / 100.
int64_t swingAmount(int32_t percent, int64_t unit);

// Time p swung with unit u and amount a; units count from time 0. A unit
// below 1 or an amount of 0 leaves p as it is.
int64_t swingTime(int64_t p, int64_t unit, int64_t amount);

} // namespace Quorvane
