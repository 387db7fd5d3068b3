// The module's class objects and its self-registration, run in process
// against a private registry root.
#include "plugin/fill/plugin/com_server.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "plugin/fill/plugin/tests/registration_cases.h"
#include "testing/sandbox.h"

#include <ocidl.h>
#include <olectl.h>

namespace grindel_test {
namespace {

using namespace Quorvane;

class ComServerTest : public PluginTest {};

TEST_F(ComServerTest, DrummerFactoryMakesDrummersAndRefusesAggregation)
{
    IClassFactory *factory = nullptr;
    ASSERT_EQ(GrindelvosketServer::getClassObject(CLSID_GrindelvosketMFX, IID_IClassFactory,
                                                  reinterpret_cast<void **>(&factory)),
              S_OK);
    IQN3Request *request = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQN3Request, reinterpret_cast<void **>(&request)), S_OK);
    IMfxEventFilter *filter = nullptr;
    EXPECT_EQ(request->QueryInterface(IID_IMfxEventFilter, reinterpret_cast<void **>(&filter)), S_OK);
    filter->Release();
    EXPECT_EQ(request->Release(), 0u);

    IUnknown *outer = filter; // any non-null outer object
    IUnknown *made = reinterpret_cast<IUnknown *>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void **>(&made)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(made, nullptr);
    factory->Release();
}

TEST_F(ComServerTest, UnknownClassGetsNoFactory)
{
    void *factory = reinterpret_cast<void *>(1);
    EXPECT_EQ(GrindelvosketServer::getClassObject(IID_IQN3Request, IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(GrindelvosketServer::getClassObject(CLSID_GrindelvosketMFX, IID_IClassFactory, nullptr),
              E_POINTER);
}

TEST_F(ComServerTest, RegistersBothClassesAndRemovesThem)
{
    testing_support::RegistrySandbox sandbox;
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sandbox.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &root, nullptr),
              ERROR_SUCCESS);
    const std::string module = "C:\\Somewhere\\Grindelvosket.dll";
    checkRegistrationCases(
        root, module, [&] { return GrindelvosketServer::registerServer(root, module); },
        [&] { return GrindelvosketServer::unregisterServer(root); });
    RegCloseKey(root);
    EXPECT_EQ(GrindelvosketServer::registerServer(HKEY_CURRENT_USER, ""), SELFREG_E_CLASS)
        << "a module without a path cannot be registered";
}

} // namespace
} // namespace grindel_test
