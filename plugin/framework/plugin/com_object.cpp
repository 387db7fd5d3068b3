#include "plugin/framework/plugin/com_object.h"

#include <objbase.h>

namespace Quorvane {
namespace com {

namespace {

LONG liveObjects = 0;
LONG moduleLocks = 0;

// Any address inside this module finds the module.
void moduleAnchor() {}

} // namespace

LONG liveObjectCount()
{
    return InterlockedCompareExchange(&liveObjects, 0, 0);
}

LONG moduleLockCount()
{
    return InterlockedCompareExchange(&moduleLocks, 0, 0);
}

bool canUnloadModule()
{
    return liveObjectCount() == 0 && moduleLockCount() == 0;
}

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleAnchor), &module);
    return module;
}

ObjectBase::ObjectBase()
{
    InterlockedIncrement(&liveObjects);
}

ObjectBase::~ObjectBase()
{
    InterlockedDecrement(&liveObjects);
}

HRESULT STDMETHODCALLTYPE ObjectFactory::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ObjectFactory::Release()
{
    const LONG left = countDown();
    if (left > 0)
        return static_cast<ULONG>(left);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE ObjectFactory::CreateInstance(IUnknown *outer, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return createObject(iid, out);
}

HRESULT STDMETHODCALLTYPE ObjectFactory::LockServer(BOOL lock)
{
    if (lock)
        InterlockedIncrement(&moduleLocks);
    else
        InterlockedDecrement(&moduleLocks);
    return S_OK;
}

HRESULT answerFactory(ObjectFactory *factory, REFIID iid, void **out)
{
    if (!out) {
        delete factory;
        return E_POINTER;
    }
    *out = nullptr;
    if (!factory)
        return E_OUTOFMEMORY;
    factory->AddRef();
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
}

std::string guidString(REFGUID id)
{
    wchar_t wide[40] = {};
    StringFromGUID2(id, wide, 40);
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}

bool registerInprocServer(HKEY classesRoot, REFCLSID clsid, const char *description, const char *modulePath)
{
    const std::string path = "CLSID\\" + guidString(clsid);
    HKEY classKey = nullptr;
    if (RegCreateKeyExA(classesRoot, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExA(classKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(description),
                                  static_cast<DWORD>(strlen(description) + 1)) == ERROR_SUCCESS;
    HKEY serverKey = nullptr;
    if (RegCreateKeyExA(classKey, "InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey, nullptr) ==
        ERROR_SUCCESS) {
        written = RegSetValueExA(serverKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(modulePath),
                                 static_cast<DWORD>(strlen(modulePath) + 1)) == ERROR_SUCCESS &&
                  written;
        RegCloseKey(serverKey);
    } else {
        written = false;
    }
    RegCloseKey(classKey);
    return written;
}

bool unregisterInprocServer(HKEY classesRoot, REFCLSID clsid)
{
    const std::string path = "CLSID\\" + guidString(clsid);
    const LSTATUS result = RegDeleteTreeA(classesRoot, path.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace com
} // namespace Quorvane
