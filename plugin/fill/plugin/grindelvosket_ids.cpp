// The one definition of the module's class ids and of the interface ids of
// the program's interfaces.
#include <unknwn.h>

#include <initguid.h>

#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/framework/plugin/qn3_request.h"

namespace Quorvane {

const GUID CLSID_GrindelvosketMFX = {
    0x70781444, 0x08F0, 0x5C91, {0x8D, 0xF7, 0x9A, 0xEC, 0xBD, 0xB9, 0xE7, 0xC5}};
const GUID CLSID_GrindelvosketPropertyPage = {
    0x604A9C27, 0xB0F9, 0x547F, {0xA0, 0x8B, 0x7B, 0xE8, 0x0F, 0x17, 0x5A, 0x5A}};

} // namespace Quorvane
