// The one definition of the module's class ids and of the interface ids of
// the program's interfaces.
#include <unknwn.h>

#include <initguid.h>

#include "plugin/framework/plugin/qn3_request.h"
#include "plugin/slice/plugin/vostrapellin_ids.h"

namespace Quorvane::LoopSlice {

const GUID CLSID_VostrapellinMFX = {
    0x12685FD8, 0x4060, 0x592B, {0xA8, 0x17, 0xB5, 0xBE, 0x33, 0x70, 0xC1, 0x34}};
const GUID CLSID_VostrapellinPropertyPage = {
    0x45175193, 0xBE20, 0x54DA, {0xBB, 0x04, 0xD7, 0x65, 0xD6, 0x1D, 0x41, 0xF4}};

} // namespace Quorvane::LoopSlice
