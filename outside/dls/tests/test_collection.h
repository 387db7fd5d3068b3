// A small collection in the DLS file format, its bytes written here field by
// field: two instruments of bank 0 (program 0 "Test Ramp" on wave 0, with a
// volume attack in its articulation and its wave's own sample set-up, a
// loop from sample 8; program 1 "Test Square" on wave 1, with a set-up of
// its region's own, unity note 72) and two 16-bit mono waves.
#pragma once

#include <cstdint>
#include <vector>

namespace dls_test {

// Wave 0: 16 samples 1000, 2000, ... 16000. Wave 1: 8000, -8000, 8000, -8000.
constexpr int16_t kRampStep = 1000;
constexpr int kRampLength = 16;
constexpr int16_t kSquare = 8000;
// The volume attack of "Test Ramp" in absolute time cents.
constexpr int32_t kRampAttack = -0x1234567;

enum class CueBase { Contents, ListHeader };

// The cues count from the pool's contents (after its list type), or from
// its list header, as some writers do.
std::vector<uint8_t> TestCollection(CueBase base = CueBase::Contents);

} // namespace dls_test
