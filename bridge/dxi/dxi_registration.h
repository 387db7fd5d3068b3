// How QN3_HalvorinDXi is registered: its two COM classes and the filter's
// setup with the platform's filter mapper, its entry among the soft
// synthesizers a DXi host lists, and its entry among the DXi classes the
// sound engine leaves out of its own list.
#pragma once

#include <windows.h>

namespace Halvorin {

constexpr char kDxiFilterName[] = "Quorvane Rallimoth Omvel";
constexpr char kDxiPageName[] = "Quorvane Rallimoth Omvel Properties";

HRESULT RegisterDxiBridge(HMODULE module);
HRESULT UnregisterDxiBridge();

} // namespace Halvorin
