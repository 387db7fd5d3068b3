// Set-up shared by every test of this program: COM on the main thread, the
// module's settings in a private registry key, and message boxes that never
// wait (an unexpected one fails the test).
#include "base/registry.h"
#include "base/message_box.h"
#include "plugin/framework/plugin/tests/test_environment.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace plugin_test {

namespace {

testing_support::RegistrySandbox *sandbox = nullptr;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        sandbox = new testing_support::RegistrySandbox();
        Quorvane::initAppRegistry(sandbox->product().c_str(), GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH,
                                  nullptr);
        Quorvane::setMessageBoxHook(unexpectedMessageBox());
    }
    void TearDown() override
    {
        Quorvane::setMessageBoxHook({});
        delete sandbox;
        sandbox = nullptr;
        CoUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

Quorvane::MessageBoxHook unexpectedMessageBox()
{
    return [](HWND, const char *text, const char *caption, UINT) {
        ADD_FAILURE() << "unexpected message box \"" << caption << "\": " << text;
        return IDOK;
    };
}

const std::string &settingsPath()
{
    static const std::string path = sandbox->path();
    return path;
}

} // namespace plugin_test
