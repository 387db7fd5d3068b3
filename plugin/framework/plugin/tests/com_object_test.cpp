#include "plugin/framework/plugin/com_object.h"

#include "plugin/framework/plugin/mfx_property_page.h"
#include "plugin/framework/plugin/tests/test_environment.h"
#include "plugin/framework/plugin/tests/test_plugin.h"

#include <gtest/gtest.h>

#include <objbase.h>

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow();

using namespace Quorvane;

namespace {

// Registers a page factory with COM for the test's duration.
class RegisteredFactory {
public:
    RegisteredFactory(REFCLSID clsid, com::ObjectFactory *factory)
    {
        factory->AddRef();
        result = CoRegisterClassObject(clsid, static_cast<IClassFactory *>(factory), CLSCTX_INPROC_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookie);
        factory->Release();
    }
    ~RegisteredFactory()
    {
        if (SUCCEEDED(result))
            CoRevokeClassObject(cookie);
    }
    HRESULT result;
    DWORD cookie = 0;
};

TEST(ComObject, FactoriesMakeObjectsThroughCom)
{
    const LONG before = com::liveObjectCount();
    {
        RegisteredFactory registered(plugin_test::CLSID_TestPage,
                                     new MfxPropertyPage::Factory(L"Grindelvosket"));
        ASSERT_EQ(registered.result, S_OK);
        IPropertyPage *page = nullptr;
        ASSERT_EQ(CoCreateInstance(plugin_test::CLSID_TestPage, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPropertyPage, reinterpret_cast<void **>(&page)),
                  S_OK);
        EXPECT_GT(com::liveObjectCount(), before);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
        page->Release();

        IClassFactory *factory = nullptr;
        ASSERT_EQ(CoGetClassObject(plugin_test::CLSID_TestPage, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, reinterpret_cast<void **>(&factory)),
                  S_OK);
        IUnknown *outer = factory;
        void *made = reinterpret_cast<void *>(1);
        EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &made), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMfxEventFilter, &made), E_NOINTERFACE);
        EXPECT_EQ(made, nullptr);

        const LONG locks = com::moduleLockCount();
        factory->LockServer(TRUE);
        EXPECT_EQ(com::moduleLockCount(), locks + 1);
        factory->LockServer(FALSE);
        EXPECT_EQ(com::moduleLockCount(), locks);
        factory->Release();
    }
    EXPECT_EQ(com::liveObjectCount(), before);
}

TEST(ComObject, UnloadsOnlyWithoutLiveObjectsOrLocks)
{
    ASSERT_EQ(com::liveObjectCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    plugin_test::TestPlugin *plugin = plugin_test::TestPlugin::create();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    plugin->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    auto *factory = new MfxPropertyPage::Factory();
    factory->AddRef();
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "locked";
    // LockServer(FALSE) needs no factory object: any factory of the module.
    auto *another = new MfxPropertyPage::Factory();
    another->AddRef();
    another->LockServer(FALSE);
    another->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(ComObject, AnswerFactoryHandsOutTheAskedInterface)
{
    IClassFactory *factory = nullptr;
    ASSERT_EQ(com::answerFactory(new MfxPropertyPage::Factory(), IID_IClassFactory,
                                 reinterpret_cast<void **>(&factory)),
              S_OK);
    EXPECT_EQ(factory->AddRef(), 2u);
    factory->Release();
    factory->Release();
    void *none = nullptr;
    EXPECT_EQ(com::answerFactory(new MfxPropertyPage::Factory(), IID_IPropertyPage, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(com::liveObjectCount(), 0);
}

TEST(ComObject, RegistersAndUnregistersAnInprocServer)
{
    HKEY classes = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (plugin_test::settingsPath() + "\\Classes").c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
              ERROR_SUCCESS);
    const GUID clsid = plugin_test::CLSID_TestPlugin;
    ASSERT_TRUE(com::registerInprocServer(classes, clsid, "Quorvane Test", "C:\\Plugins\\Test.dll"));
    const std::string key = "CLSID\\" + com::guidString(clsid);
    EXPECT_EQ(com::guidString(clsid), "{4D1C9B0E-7A51-4F3B-9C5D-2B8E6A1F0C31}");

    char text[MAX_PATH] = {};
    DWORD size = sizeof(text);
    ASSERT_EQ(RegGetValueA(classes, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "Quorvane Test");
    size = sizeof(text);
    ASSERT_EQ(RegGetValueA(classes, (key + "\\InprocServer32").c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text,
                           &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\Plugins\\Test.dll");

    EXPECT_TRUE(com::unregisterInprocServer(classes, clsid));
    HKEY gone = nullptr;
    EXPECT_NE(RegOpenKeyExA(classes, key.c_str(), 0, KEY_READ, &gone), ERROR_SUCCESS);
    EXPECT_TRUE(com::unregisterInprocServer(classes, clsid)) << "already gone is fine";
    RegCloseKey(classes);
}

} // namespace
