// The module's entry point and its COM exports.
#include "plugin/framework/plugin/drummer_dll.h"
#include "plugin/slice/plugin/com_server.h"
#include "plugin/slice/plugin/vostrapellin_app.h"

QUORVANE_DRUMMER_DLL_EXPORTS(Quorvane::LoopSlice::theApp, Quorvane::LoopSlice::VostrapellinServer)
