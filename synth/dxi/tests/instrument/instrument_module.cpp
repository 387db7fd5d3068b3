// The test instrument's module: its class factory, its registration (COM
// classes, the filter mapper and the soft-synth entries hosts look for) and
// the tests' switches.
#include "dshow/ds_class_factory.h"
#include "dshow/ds_setup.h"
#include "synth/dxi/tests/instrument/test_instrument.h"

#include <string>

namespace {

HMODULE self = nullptr;

const DsPinTypeSetup kAudio = {&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL};
const DsPinSetup kPins[] = {
    {L"Audio In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kAudio},
    {L"Audio Out", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kAudio},
};
const DsFilterSetup kWithPage = {&CLSID_TestDxi, L"Tembri Test DXi", MERIT_DO_NOT_USE, 2, kPins};
const DsFilterSetup kWithoutPage = {&CLSID_TestDxiNoPage, L"Tembri Test DXi Without Page", MERIT_DO_NOT_USE,
                                    2, kPins};

const DsFactoryTemplate kTemplates[] = {
    {L"Tembri Test DXi", &CLSID_TestDxi, &CTestInstrument::CreateWithPage, &kWithPage},
    {L"Tembri Test DXi Without Page", &CLSID_TestDxiNoPage, &CTestInstrument::CreateWithoutPage,
     &kWithoutPage},
    {L"Tembri Test DXi Page", &CLSID_TestDxiPage, &CreateTestInstrumentPage, nullptr},
};
constexpr int kTemplateCount = sizeof(kTemplates) / sizeof(kTemplates[0]);

std::string classText(const CLSID &id)
{
    WCHAR wide[64];
    StringFromGUID2(id, wide, 64);
    char text[64];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

bool setValue(HKEY root, const std::string &key, const char *name, const std::string &value)
{
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(hkey, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    return ok;
}

HRESULT registerFilters(BOOL doRegister)
{
    IFilterMapper *mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                  reinterpret_cast<void **>(&mapper));
    if (FAILED(hr))
        return hr;
    for (const DsFilterSetup *setup : {&kWithPage, &kWithoutPage})
        if (SUCCEEDED(hr))
            hr = DsRegisterFilterSetup(setup, mapper, doRegister);
    mapper->Release();
    return hr;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void **out)
{
    return DsGetClassObject(kTemplates, kTemplateCount, classId, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return DsCanUnloadNow();
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    char path[MAX_PATH];
    GetModuleFileNameA(self, path, MAX_PATH);
    for (const DsFactoryTemplate &t : kTemplates) {
        const std::string key = "CLSID\\" + classText(*t.classId);
        char name[128];
        WideCharToMultiByte(CP_ACP, 0, t.name, -1, name, sizeof(name), nullptr, nullptr);
        if (!setValue(HKEY_CLASSES_ROOT, key, nullptr, name) ||
            !setValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, path) ||
            !setValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Both"))
            return E_FAIL;
    }
    const bool entries =
        setValue(HKEY_CLASSES_ROOT, std::string(kDxiSoftSynthsKey) + "\\" + classText(CLSID_TestDxi),
                 "Description", kTestDxiName) &&
        setValue(HKEY_CLASSES_ROOT, std::string(kDxiSoftSynthsKey) + "\\" + classText(CLSID_TestDxiNoPage),
                 "Description", kTestDxiNoPageName);
    if (!entries)
        return E_FAIL;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT hr = registerFilters(TRUE);
    CoUninitialize();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    registerFilters(FALSE);
    CoUninitialize();
    for (const CLSID *id : {&CLSID_TestDxi, &CLSID_TestDxiNoPage})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kDxiSoftSynthsKey) + "\\" + classText(*id)).c_str());
    for (const DsFactoryTemplate &t : kTemplates) {
        const std::string key = "CLSID\\" + classText(*t.classId);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    }
    return S_OK;
}

extern "C" __declspec(dllexport) TEST_DXI_CONTROL *TestDxiControl()
{
    return &Control();
}

extern "C" __declspec(dllexport) LONG TestDxiLiveObjects()
{
    return DsLiveObjectCount();
}
