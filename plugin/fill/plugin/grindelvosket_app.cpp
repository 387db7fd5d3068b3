#include "plugin/fill/plugin/grindelvosket_app.h"

#include "base/registry.h"

namespace Quorvane {

GrindelvosketApp &theApp()
{
    static GrindelvosketApp app;
    return app;
}

bool GrindelvosketApp::InitInstance(HMODULE module)
{
    module_ = module;
    initAppRegistry(kAppName, module, DLL_PROCESS_ATTACH, kDefaultProfile);
    helpFile_ = getModuleFolder() + kAppName;
    return true;
}

void GrindelvosketApp::ExitInstance()
{
    module_ = nullptr;
}

std::string GrindelvosketApp::modulePath() const
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module_, path, MAX_PATH);
    if (!module_ || length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(path, length);
}

} // namespace Quorvane
