// Class ids the equipment tests register, and the one the "Tembri DX"
// fixture module rejects.
#pragma once

#include <windows.h>

namespace equipment_test {

// {0E51A001-6B3D-4C41-9A57-1D2E3F405101} and on: the last byte tells them
// apart.
constexpr GUID TestId(unsigned char last)
{
    return {0x0E51A001, 0x6B3D, 0x4C41, {0x9A, 0x57, 0x1D, 0x2E, 0x3F, 0x40, 0x51, last}};
}

constexpr GUID kRejectedFilter = TestId(0x66);

} // namespace equipment_test
