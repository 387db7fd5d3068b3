#include "plugin/fill/plugin/tests/plugin_fixture.h"

#include "base/registry.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "base/message_box.h"
#include "plugin/framework/plugin/warning_dialog.h"
#include "testing/com_streams.h"
#include "testing/sandbox.h"

#include <ole2.h>

#include <memory>
#include <utility>

namespace grindel_test {

using namespace Quorvane;

namespace {

testing_support::RegistrySandbox *registry = nullptr;
testing_support::TempFolder *folder = nullptr;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        registry = new testing_support::RegistrySandbox();
        folder = new testing_support::TempFolder();
        initAppRegistry(registry->product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
        std::string error;
        ASSERT_TRUE(FillContent::writeStarterLibrary(folder->path() + "\\Fills", &error)) << error;
        FillModule::setDataFolder(folder->path());
    }
    void TearDown() override
    {
        delete folder;
        delete registry;
        OleUninitialize();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

const std::string &dataFolder()
{
    return folder->path();
}

const std::string &settingsRoot()
{
    static const std::string root = registry->path() + "\\3";
    return root;
}

Drummer::Drummer() : object_(new GrindelvosketMFX())
{
    object_->AddRef();
}

Drummer::~Drummer()
{
    if (object_)
        object_->Release();
}

GrindelvosketMFX *Drummer::take()
{
    return std::exchange(object_, nullptr);
}

void PluginTest::SetUp()
{
    // Every test starts from the defaults: no "Globals", no "Last", no
    // remembered warnings.
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

void PluginTest::TearDown()
{
    setMessageBoxHook({});
    setWarningDialogHook({});
    EXPECT_TRUE(GrindelvosketMFX::requesters().head() == nullptr) << "a drummer stayed in the chain";
}

void PluginTest::loadFill(GrindelvosketMFX &drummer, const std::string &name)
{
    for (const FillContent::FillDefinition &fill : FillContent::starterFills()) {
        if (fill.name == name && fill.volume.empty()) {
            drummer.setPattern(fill.folder, fill.fileName(), false);
            return;
        }
    }
    FAIL() << "no starter fill " << name;
}

std::string saveBytes(IPersistStream *persist)
{
    std::string bytes = testing_support::savedBytes(persist);
    EXPECT_FALSE(bytes.empty()) << "Save failed";
    return bytes;
}

IStream *streamOf(const std::string &bytes)
{
    return testing_support::streamHolding(bytes);
}

} // namespace grindel_test
