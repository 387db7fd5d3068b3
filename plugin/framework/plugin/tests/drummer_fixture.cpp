#include "plugin/framework/plugin/tests/drummer_fixture.h"

#include "base/message_box.h"
#include "base/registry.h"
#include "plugin/framework/plugin/warning_dialog.h"
#include "testing/sandbox.h"

#include <ole2.h>

namespace drummer_testing {

using namespace Quorvane;

namespace {

testing_support::RegistrySandbox *registry = nullptr;
testing_support::TempFolder *folder = nullptr;

class Environment : public ::testing::Environment {
public:
    Environment(std::function<void(const std::string &)> writeContent,
                void (*setDataFolder)(const std::string &))
        : writeContent_(std::move(writeContent)), setDataFolder_(setDataFolder)
    {
    }

    void SetUp() override
    {
        OleInitialize(nullptr);
        registry = new testing_support::RegistrySandbox();
        folder = new testing_support::TempFolder();
        initAppRegistry(registry->product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
        writeContent_(folder->path());
        setDataFolder_(folder->path());
    }
    void TearDown() override
    {
        delete folder;
        delete registry;
        OleUninitialize();
    }

private:
    std::function<void(const std::string &)> writeContent_;
    void (*setDataFolder_)(const std::string &);
};

} // namespace

::testing::Environment *addDrummerEnvironment(std::function<void(const std::string &folder)> writeContent,
                                              void (*setDataFolder)(const std::string &folder))
{
    return ::testing::AddGlobalTestEnvironment(new Environment(std::move(writeContent), setDataFolder));
}

const std::string &dataFolder()
{
    return folder->path();
}

const std::string &settingsRoot()
{
    static const std::string root = registry->path() + "\\3";
    return root;
}

void startDrummerTest()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsRoot().c_str());
    setMessageBoxHook([](HWND, const char *text, const char *caption, UINT) {
        ADD_FAILURE() << "unexpected message box \"" << caption << "\": " << text;
        return IDOK;
    });
    setWarningDialogHook([](const std::string &message, const std::string &, bool *) {
        ADD_FAILURE() << "unexpected warning: " << message;
        return static_cast<INT_PTR>(IDOK);
    });
}

void endDrummerTest()
{
    setMessageBoxHook({});
    setWarningDialogHook({});
}

} // namespace drummer_testing
