#include "plugin/framework/plugin/tests/module_copy.h"

#include "testing/sandbox.h"

#include <ole2.h>
#include <olectl.h>

#include <filesystem>
#include <fstream>

namespace drummer_testing {

namespace {

testing_support::CurrentUserOverride *userSettings = nullptr;
testing_support::TempFolder *place = nullptr;
HMODULE module = nullptr;

using EntryPoint = HRESULT(STDAPICALLTYPE *)();
EntryPoint entry(const char *name)
{
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string serverKey(const GUID &clsid)
{
    wchar_t wide[64] = {};
    StringFromGUID2(clsid, wide, 64);
    char text[64] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return std::string("CLSID\\") + text + "\\InprocServer32";
}

std::string serverOf(const GUID &clsid)
{
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (RegGetValueA(HKEY_CLASSES_ROOT, serverKey(clsid).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path,
                     &size) != ERROR_SUCCESS)
        return {};
    return path;
}

void restoreServer(const GUID &clsid, const std::string &path)
{
    RegSetValueA(HKEY_CLASSES_ROOT, serverKey(clsid).c_str(), REG_SZ, path.c_str(),
                 static_cast<DWORD>(path.size()));
}

class Environment : public ::testing::Environment {
public:
    explicit Environment(ModuleCopy copy) : copy_(std::move(copy)) {}

    void SetUp() override
    {
        OleInitialize(nullptr);
        userSettings = new testing_support::CurrentUserOverride();
        ASSERT_TRUE(userSettings->active());
        place = new testing_support::TempFolder();
        // Nothing the test saves or drops touches the build's dist folder.
        std::filesystem::copy_file(distFolder() + "\\" + copy_.moduleFile, place->file(copy_.moduleFile));
        std::filesystem::copy(distFolder() + "\\" + copy_.dataFolder, place->file(copy_.dataFolder),
                              std::filesystem::copy_options::recursive);
        drummerBefore_ = serverOf(*copy_.drummerClass);
        pageBefore_ = serverOf(*copy_.pageClass);
        module = LoadLibraryA(place->file(copy_.moduleFile).c_str());
        ASSERT_NE(module, nullptr);
        ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
        if (copy_.afterRegistration)
            copy_.afterRegistration(place->path());
    }
    void TearDown() override
    {
        if (module) {
            entry("DllUnregisterServer")();
            if (!drummerBefore_.empty())
                restoreServer(*copy_.drummerClass, drummerBefore_);
            if (!pageBefore_.empty())
                restoreServer(*copy_.pageClass, pageBefore_);
            FreeLibrary(module);
        }
        delete userSettings;
        delete place;
        OleUninitialize();
    }

private:
    ModuleCopy copy_;
    std::string drummerBefore_;
    std::string pageBefore_;
};

BOOL CALLBACK findFrame(HWND window, LPARAM found)
{
    if (classOf(window) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

::testing::Environment *addModuleCopyEnvironment(ModuleCopy copy)
{
    return ::testing::AddGlobalTestEnvironment(new Environment(std::move(copy)));
}

HMODULE copiedModule()
{
    return module;
}

std::string distFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder = folder.substr(0, folder.find_last_of('\\')); // tests
    folder = folder.substr(0, folder.find_last_of('\\')); // the build
    return folder + "\\dist";
}

std::string classOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND findPropertyFrame()
{
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findFrame, reinterpret_cast<LPARAM>(&frame));
    return frame;
}

HRESULT showPropertyFrame(HWND owner, IUnknown *object, TIMERPROC drive)
{
    ISpecifyPropertyPages *specify = nullptr;
    HRESULT result = object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&specify));
    if (FAILED(result))
        return result;
    CAUUID pages{};
    result = specify->GetPages(&pages);
    if (SUCCEEDED(result)) {
        const UINT_PTR timer = SetTimer(nullptr, 0, 150, drive);
        result = OleCreatePropertyFrame(owner, 0, 0, L"Drummer", 1, &object, pages.cElems, pages.pElems, 0, 0,
                                        nullptr);
        KillTimer(nullptr, timer);
        CoTaskMemFree(pages.pElems);
    }
    specify->Release();
    return result;
}

void writePagePicture(const testing_support::WindowPicture &picture, const std::string &name,
                      const RECT &client)
{
    const std::string path = testing_support::writePicture(picture, name);
    if (path.empty())
        return;
    std::ofstream size(path.substr(0, path.size() - 4) + ".size");
    size << client.right << " " << client.bottom << "\n";
}

} // namespace drummer_testing
