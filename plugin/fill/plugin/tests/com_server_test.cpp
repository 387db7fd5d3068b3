// The module's class objects and its self-registration, run in process
// against a private registry root.
#include "plugin/fill/plugin/com_server.h"
#include "plugin/fill/plugin/grindelvosket_ids.h"
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "testing/sandbox.h"

#include <ocidl.h>
#include <olectl.h>

namespace grindel_test {
namespace {

using namespace Quorvane;

std::string readDefault(HKEY root, const std::string &path)
{
    char value[MAX_PATH] = {};
    LONG size = sizeof(value);
    if (RegQueryValueA(root, path.c_str(), value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

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

TEST_F(ComServerTest, PageFactoryMakesThePageTitledAfterThisModule)
{
    IClassFactory *factory = nullptr;
    ASSERT_EQ(GrindelvosketServer::getClassObject(CLSID_GrindelvosketPropertyPage, IID_IClassFactory,
                                                  reinterpret_cast<void **>(&factory)),
              S_OK);
    IPropertyPage *page = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page)), S_OK);
    factory->Release();
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.pszTitle), L"Grindelvosket");
    CoTaskMemFree(info.pszTitle);
    page->Release();
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
    ASSERT_EQ(GrindelvosketServer::registerServer(root, module), S_OK);
    const std::string drummer = "CLSID\\{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}";
    const std::string page = "CLSID\\{604A9C27-B0F9-547F-A08B-7BE80F175A5A}";
    EXPECT_EQ(readDefault(root, drummer), "Quorvane Grindelvosket");
    EXPECT_EQ(readDefault(root, drummer + "\\InprocServer32"), module);
    EXPECT_EQ(readDefault(root, page), "Quorvane Grindelvosket Property Page");
    EXPECT_EQ(readDefault(root, page + "\\InprocServer32"), module);

    ASSERT_EQ(GrindelvosketServer::unregisterServer(root), S_OK);
    EXPECT_EQ(readDefault(root, drummer), "<missing>");
    EXPECT_EQ(readDefault(root, page), "<missing>");
    EXPECT_EQ(GrindelvosketServer::unregisterServer(root), S_OK) << "already gone is fine";
    RegCloseKey(root);
}

// A step that fails is reported, not hidden behind S_OK; the steps that
// could be done stay done.
TEST_F(ComServerTest, RegistrationReportsAFailedStep)
{
    testing_support::RegistrySandbox sandbox;
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sandbox.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &root, nullptr),
              ERROR_SUCCESS);
    // A volatile class key takes no lasting sub key: the page's server
    // entry cannot be written.
    const std::string page = "CLSID\\{604A9C27-B0F9-547F-A08B-7BE80F175A5A}";
    HKEY blocker = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, "CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &blocker, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(blocker);
    ASSERT_EQ(RegCreateKeyExA(root, page.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &blocker, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(blocker);
    EXPECT_EQ(GrindelvosketServer::registerServer(root, "C:\\x.dll"), SELFREG_E_CLASS);
    EXPECT_EQ(readDefault(root, "CLSID\\{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}\\InprocServer32"),
              "C:\\x.dll");
    EXPECT_EQ(readDefault(root, page + "\\InprocServer32"), "<missing>");
    RegCloseKey(root);
    EXPECT_EQ(GrindelvosketServer::registerServer(HKEY_CURRENT_USER, ""), SELFREG_E_CLASS)
        << "a module without a path cannot be registered";
}

} // namespace
} // namespace grindel_test
