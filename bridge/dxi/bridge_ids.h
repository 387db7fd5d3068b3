// The DXi bridge's COM classes.
#pragma once

#include "platform/dxi.h"

// The bridge filter, "Quorvane Rallimoth Omvel".
inline constexpr CLSID CLSID_BridgeDxiFilter = dxi_detail::guid("C8D30627-1DE9-5A91-B229-4E0ADDA59968");
// Its property page, "Quorvane Rallimoth Omvel Properties".
inline constexpr CLSID CLSID_BridgeDxiPropertyPage = dxi_detail::guid("CA0E8A0B-E434-5804-956C-85721425363E");
