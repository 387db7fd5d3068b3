#include "plugin/framework/plugin/drummer_engine_view.h"

namespace Quorvane {

UINT viewsSetLoopIdxMessage()
{
    static const UINT message = RegisterWindowMessageA("Quorvane_ViewsSetLoopIdx");
    return message;
}

} // namespace Quorvane
