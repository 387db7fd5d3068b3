#include "plugin/slice/plugin/vostrapellin_app.h"

namespace Quorvane::LoopSlice {

VostrapellinApp &theApp()
{
    static VostrapellinApp app;
    return app;
}

} // namespace Quorvane::LoopSlice
