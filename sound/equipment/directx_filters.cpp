// DirectShow filters that take and give audio, as the platform's filter
// mapper knows them, less the DXi synthesizers, the wrapped VST plug-ins
// and what the DirectX host module cannot host.
#include "sound/equipment/class_ids.h"
#include "sound/equipment/dx_filter_check.h"
#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/registry_reader.h"
#include "sound/module_keys.h"

#include <dshow.h>

#include <string>

namespace Quorvane {

namespace {

constexpr char kVstPrefix[] = "VST ";

// COM on this thread for as long as the enumeration runs.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope &) = delete;
    ComScope &operator=(const ComScope &) = delete;

private:
    bool initialised_;
};

template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (p)
            p->Release();
    }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;
    void **out() { return reinterpret_cast<void **>(&p); }

    T *p = nullptr;
};

// The host module's answer per filter; every filter passes without it.
class FilterCheck {
public:
    explicit FilterCheck(const std::string &modulePath)
    {
        if (modulePath.empty())
            return;
        module_ = LoadLibraryA(modulePath.c_str());
        if (module_)
            check_ = reinterpret_cast<CheckDXAudioFilterProc>(
                reinterpret_cast<void (*)()>(GetProcAddress(module_, kCheckDXAudioFilterEntry)));
    }
    ~FilterCheck()
    {
        if (module_)
            FreeLibrary(module_);
    }
    FilterCheck(const FilterCheck &) = delete;
    FilterCheck &operator=(const FilterCheck &) = delete;

    bool Rejects(const CLSID &filter) const { return check_ && !check_(&filter); }

private:
    HMODULE module_ = nullptr;
    CheckDXAudioFilterProc check_ = nullptr;
};

// A text property of the filter's registration; empty when it has none.
std::string ReadProperty(IPropertyBag *bag, const WCHAR *name)
{
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal) {
        const int wide = static_cast<int>(SysStringLen(value.bstrVal));
        const int size = WideCharToMultiByte(CP_ACP, 0, value.bstrVal, wide, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            text.resize(static_cast<size_t>(size));
            WideCharToMultiByte(CP_ACP, 0, value.bstrVal, wide, text.data(), size, nullptr, nullptr);
            text.resize(strnlen(text.c_str(), text.size()));
        }
    }
    VariantClear(&value);
    return text;
}

} // namespace

bool ListDirectXFilters(PortList &list)
{
    OpenedKey effects(HKEY_LOCAL_MACHINE, kAudioEffectKey);
    if (!effects)
        return false;
    const FilterCheck check(TextValue(effects.get(), kDXHostModuleName));
    ComScope com;
    ComRef<IFilterMapper2> mapper;
    if (FAILED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper.out())))
        return false;
    GUID audio[2] = {MEDIATYPE_Audio, GUID_NULL};
    ComRef<IEnumMoniker> filters;
    if (FAILED(mapper.p->EnumMatchingFilters(&filters.p, 0, TRUE, 0, TRUE, 1, audio, nullptr, nullptr, FALSE,
                                             TRUE, 1, audio, nullptr, nullptr)) ||
        !filters.p)
        return false;
    for (;;) {
        ComRef<IMoniker> filter;
        if (filters.p->Next(1, &filter.p, nullptr) != S_OK)
            break;
        ComRef<IPropertyBag> bag;
        if (FAILED(filter.p->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.out())))
            continue;
        const std::string classText = ReadProperty(bag.p, L"CLSID");
        const std::string name = ReadProperty(bag.p, L"FriendlyName");
        GUID id;
        if (!ParseClassId(classText, id) || name.empty() || name.compare(0, 4, kVstPrefix) == 0)
            continue;
        if (KeyExists(HKEY_CLASSES_ROOT, ("MfxSoftSynths\\" + classText).c_str()) || check.Rejects(id))
            continue;
        if (!list.Add(name.c_str(), ENUM_AEFFECT_DX, id))
            return false;
    }
    return true;
}

} // namespace Quorvane
