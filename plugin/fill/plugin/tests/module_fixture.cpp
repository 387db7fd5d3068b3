#include "plugin/fill/plugin/tests/module_fixture.h"

#include "plugin/fill/plugin/tests/test_host.h"

#include "base/registry.h"
#include "testing/com_streams.h"
#include "testing/sandbox.h"

#include <ole2.h>

namespace grindel_test {

namespace {

testing_support::CurrentUserOverride *userSettings = nullptr;
HMODULE module = nullptr;

class Environment : public ::testing::Environment {
public:
    Environment(const char *referenceName, void (*setDataFolder)(const std::string &),
                std::string (*modulePath)())
        : referenceName_(referenceName), setDataFolder_(setDataFolder), modulePath_(modulePath)
    {
    }

    void SetUp() override
    {
        OleInitialize(nullptr);
        userSettings = new testing_support::CurrentUserOverride();
        ASSERT_TRUE(userSettings->active());
        // This program's own drummers read the same library.
        Quorvane::initAppRegistry(referenceName_, nullptr, DLL_PROCESS_ATTACH, "3");
        setDataFolder_(distFolder());
        module = LoadLibraryA(modulePath_().c_str());
        ASSERT_NE(module, nullptr) << modulePath_();
        ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
        delete userSettings;
        OleUninitialize();
    }

private:
    const char *referenceName_;
    void (*setDataFolder_)(const std::string &);
    std::string (*modulePath_)();
};

} // namespace

::testing::Environment *addModuleEnvironment(const char *referenceName,
                                             void (*setDataFolder)(const std::string &folder),
                                             std::string (*modulePath)())
{
    return ::testing::AddGlobalTestEnvironment(new Environment(referenceName, setDataFolder, modulePath));
}

HMODULE loadedModule()
{
    return module;
}

EntryPoint entry(const char *name)
{
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

GetClassObject classObjectEntry()
{
    return reinterpret_cast<GetClassObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
}

void checkNoFactoryFor(REFCLSID clsid)
{
    const GetClassObject get = classObjectEntry();
    ASSERT_NE(get, nullptr);
    void *factory = reinterpret_cast<void *>(1);
    EXPECT_EQ(get(clsid, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
}

HRESULT load(IPersistStream *persist, const std::string &bytes)
{
    IStream *stream = testing_support::streamHolding(bytes);
    const HRESULT result = persist->Load(stream);
    stream->Release();
    return result;
}

void checkEntryPoints(REFCLSID drummer, const ServedClasses &classes)
{
    for (const char *name :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name << " exported by its plain name";

    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    checkRegistrationCases(HKEY_CLASSES_ROOT, path, entry("DllRegisterServer"), entry("DllUnregisterServer"),
                           classes);

    ASSERT_EQ(entry("DllUnregisterServer")(), S_OK);
    IUnknown *object = nullptr;
    EXPECT_EQ(CoCreateInstance(drummer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void **>(&object)),
              REGDB_E_CLASSNOTREG);
    ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
    object = create<IUnknown>(drummer, IID_IUnknown);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(entry("DllCanUnloadNow")(), S_FALSE) << "a drummer lives";
    object->Release();
    EXPECT_EQ(entry("DllCanUnloadNow")(), S_OK);
}

} // namespace grindel_test
