#include "plugin/fill/plugin/grindelvosket_app.h"

namespace Quorvane {

GrindelvosketApp &theApp()
{
    static GrindelvosketApp app;
    return app;
}

} // namespace Quorvane
