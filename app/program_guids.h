// The class ids of the two drummers the parts hold.
#pragma once

#include <guiddef.h>

namespace Quorvane {

// {12685FD8-4060-592B-A817-B5BE3370C134}
DEFINE_GUID(CLSID_SliceDrummer, 0x12685FD8, 0x4060, 0x592B, 0xA8, 0x17, 0xB5, 0xBE, 0x33, 0x70, 0xC1, 0x34);
// {70781444-08F0-5C91-8DF7-9AECBDB9E7C5}
DEFINE_GUID(CLSID_FillDrummer, 0x70781444, 0x08F0, 0x5C91, 0x8D, 0xF7, 0x9A, 0xEC, 0xBD, 0xB9, 0xE7, 0xC5);

constexpr const char kSliceDrummerName[] = "Quorvane Vostrapellin";
constexpr const char kFillDrummerName[] = "Quorvane Grindelvosket";

} // namespace Quorvane
