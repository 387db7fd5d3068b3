#include "plugin/framework/gui/translate_accelerator.h"

namespace Quorvane {

UINT translateAcceleratorMessage()
{
    static const UINT message = RegisterWindowMessageA("Quorvane_TranslateAccelerator");
    return message;
}

} // namespace Quorvane
