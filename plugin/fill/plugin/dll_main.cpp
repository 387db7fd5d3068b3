// The module's entry point and its COM exports.
#include "plugin/fill/plugin/com_server.h"
#include "plugin/fill/plugin/grindelvosket_app.h"
#include "plugin/framework/plugin/drummer_dll.h"

QUORVANE_DRUMMER_DLL_EXPORTS(Quorvane::theApp, Quorvane::GrindelvosketServer)
