#include "bridge/dxi/dxi_registration.h"

#include "base/com_registration.h"
#include "bridge/dxi/bridge_filter.h"
#include "bridge/dxi/bridge_ids.h"

#include <cstring>
#include <string>

namespace Halvorin {

namespace {

const char kHalvorinDxiKey[] = "Software\\Quorvane\\HalvorinApp\\HalvorinDXi";

std::string softSynthKey()
{
    return std::string(kDxiSoftSynthsKey) + "\\" + Quorvane::com::guidString(CLSID_BridgeDxiFilter);
}

bool setString(HKEY key, const char *name, const char *value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                          static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

// The filter's setup through the platform's filter mapper.
HRESULT useFilterMapper(BOOL doRegister)
{
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IFilterMapper *mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                  reinterpret_cast<void **>(&mapper));
    if (SUCCEEDED(hr)) {
        hr = DsRegisterFilterSetup(CBridgeFilter::Setup(), mapper, doRegister);
        mapper->Release();
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return hr;
}

} // namespace

HRESULT RegisterDxiBridge(HMODULE module)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return E_FAIL;
    if (!Quorvane::com::registerInprocServer(HKEY_CLASSES_ROOT, CLSID_BridgeDxiFilter, kDxiFilterName, path,
                                             "Both") ||
        !Quorvane::com::registerInprocServer(HKEY_CLASSES_ROOT, CLSID_BridgeDxiPropertyPage, kDxiPageName,
                                             path, "Both"))
        return E_FAIL;
    if (const HRESULT hr = useFilterMapper(TRUE); FAILED(hr))
        return hr;
    HKEY synth = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, softSynthKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &synth, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    const bool described = setString(synth, "Description", kDxiFilterName) &&
                           setString(synth, "HelpFilePath", "") && setString(synth, "HelpFileTopic", "");
    RegCloseKey(synth);
    HKEY listed = nullptr;
    if (!described || RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHalvorinDxiKey, 0, nullptr, 0, KEY_SET_VALUE,
                                      nullptr, &listed, nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    const bool named =
        setString(listed, Quorvane::com::guidString(CLSID_BridgeDxiFilter).c_str(), kDxiFilterName);
    RegCloseKey(listed);
    return named ? S_OK : E_FAIL;
}

HRESULT UnregisterDxiBridge()
{
    const HRESULT mapped = useFilterMapper(FALSE);
    const bool classes =
        Quorvane::com::unregisterInprocServer(HKEY_CLASSES_ROOT, CLSID_BridgeDxiFilter) &&
        Quorvane::com::unregisterInprocServer(HKEY_CLASSES_ROOT, CLSID_BridgeDxiPropertyPage);
    const LSTATUS synth = RegDeleteTreeA(HKEY_CLASSES_ROOT, softSynthKey().c_str());
    HKEY listed = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHalvorinDxiKey, 0, KEY_SET_VALUE, &listed) == ERROR_SUCCESS) {
        RegDeleteValueA(listed, Quorvane::com::guidString(CLSID_BridgeDxiFilter).c_str());
        RegCloseKey(listed);
    }
    if (FAILED(mapped))
        return mapped;
    return classes && (synth == ERROR_SUCCESS || synth == ERROR_FILE_NOT_FOUND) ? S_OK : E_FAIL;
}

} // namespace Halvorin
