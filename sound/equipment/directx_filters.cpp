// DirectShow filters and DMOs that take and give audio, as the platform's
// filter mapper knows them, less the DXi synthesizers, the wrapped VST
// plug-ins and what the DirectX host module cannot host.
#include "data/module_loader.h"
#include "sound/equipment/class_ids.h"
#include "sound/equipment/dx_filter_check.h"
#include "sound/equipment/equipment_sources.h"
#include "sound/equipment/registry_reader.h"
#include "sound/module_keys.h"

#include <dmo.h>
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

// The host module's answer per filter; every filter passes when it has no
// answer to give.
class FilterCheck {
public:
    FilterCheck()
    {
        char path[MAX_PATH] = {};
        if (FindModuleByName(kAudioEffectKey, kDXHostModuleName, path, sizeof path))
            module_ = LoadLibraryA(path);
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

std::string Narrow(const WCHAR *text, int length = -1)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), size, nullptr, nullptr);
    narrow.resize(strnlen(narrow.c_str(), narrow.size()));
    return narrow;
}

// A text property of the filter's registration; empty when it has none.
std::string ReadProperty(IPropertyBag *bag, const WCHAR *name)
{
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal)
        text = Narrow(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
    VariantClear(&value);
    return text;
}

// A DMO's moniker is named "@device:dmo:" followed by the DMO's class id
// and its category's: the DMO's own class id is what a host creates. Empty
// for the moniker of any other filter.
std::string DmoClassText(IMoniker *moniker)
{
    static const wchar_t kDmoPrefix[] = L"@device:dmo:";
    constexpr size_t kPrefixLength = sizeof kDmoPrefix / sizeof *kDmoPrefix - 1;
    constexpr size_t kClassIdLength = 38;
    ComRef<IBindCtx> context;
    LPOLESTR name = nullptr;
    if (FAILED(CreateBindCtx(0, &context.p)) || FAILED(moniker->GetDisplayName(context.p, nullptr, &name)) ||
        !name)
        return {};
    const std::wstring text = name;
    CoTaskMemFree(name);
    if (text.size() < kPrefixLength + kClassIdLength || text.compare(0, kPrefixLength, kDmoPrefix) != 0)
        return {};
    return Narrow(text.c_str() + kPrefixLength, kClassIdLength);
}

// Adds the filter unless it is left out; false when memory ran out.
bool Offer(PortList &list, const FilterCheck &check, const std::string &name, const std::string &classText)
{
    GUID id;
    if (!ParseClassId(classText, id) || name.empty() || name.compare(0, 4, kVstPrefix) == 0)
        return true;
    if (KeyExists(HKEY_CLASSES_ROOT, ("MfxSoftSynths\\" + classText).c_str()) || check.Rejects(id))
        return true;
    return list.Add(name.c_str(), ENUM_AEFFECT_DX, id);
}

// The DirectX audio effects proper, the DMOs of the audio-effect category,
// which the filter mapper need not list.
bool ListEffectDmos(PortList &list, const FilterCheck &check)
{
    ComRef<IEnumDMO> dmos;
    if (FAILED(DMOEnum(DMOCATEGORY_AUDIO_EFFECT, 0, 0, nullptr, 0, nullptr, &dmos.p)) || !dmos.p)
        return true;
    for (;;) {
        CLSID id;
        WCHAR *name = nullptr;
        if (dmos.p->Next(1, &id, &name, nullptr) != S_OK)
            break;
        const std::string text = name ? Narrow(name) : std::string();
        CoTaskMemFree(name);
        LPOLESTR classText = nullptr;
        if (FAILED(StringFromCLSID(id, &classText)))
            continue;
        const std::string idText = Narrow(classText);
        CoTaskMemFree(classText);
        if (!Offer(list, check, text, idText))
            return false;
    }
    return true;
}

} // namespace

bool ListDirectXFilters(PortList &list)
{
    OpenedKey effects(HKEY_LOCAL_MACHINE, kAudioEffectKey);
    if (!effects)
        return false;
    const FilterCheck check;
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
        std::string classText = DmoClassText(filter.p);
        if (classText.empty())
            classText = ReadProperty(bag.p, L"CLSID");
        if (!Offer(list, check, ReadProperty(bag.p, L"FriendlyName"), classText))
            return false;
    }
    return ListEffectDmos(list, check);
}

} // namespace Quorvane
