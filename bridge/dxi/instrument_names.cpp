#include "bridge/dxi/instrument_names.h"

#include <objbase.h>

#include <cstring>
#include <new>

namespace Halvorin {

namespace {

constexpr LONG kNumbers = 128;
constexpr LONG kParameterNumbers = 0x3FFF;
constexpr LONG kHighestBank = 16383;

bool validBank(LONG bank)
{
    return bank >= -1 && bank <= kHighestBank;
}

bool validPatch(LONG patch)
{
    return patch >= -1 && patch <= 127;
}

// A buffer of size bytes the caller can take a name into.
bool writable(const char *buffer, LONG size)
{
    return buffer && (size <= 0 || !IsBadWritePtr(const_cast<char *>(buffer), static_cast<UINT_PTR>(size)));
}

// The text cut to size, the last position of the buffer a terminator.
void copyCut(char *buffer, LONG size, const std::string &text)
{
    if (size <= 0)
        return;
    std::strncpy(buffer, text.c_str(), static_cast<size_t>(size));
    buffer[size - 1] = '\0';
}

template <typename Interface>
HRESULT answer(Interface *self, REFIID iid, const IID &own, const IID *other, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == own || (other && iid == *other)) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

} // namespace

// ---- name list

CBridgeNameList::CBridgeNameList(const std::string &name, LONG count) : name_(name), count_(count) {}

HRESULT STDMETHODCALLTYPE CBridgeNameList::QueryInterface(REFIID iid, void **out)
{
    return answer(this, iid, IID_INameList, &IID_INameListOld, out);
}

ULONG STDMETHODCALLTYPE CBridgeNameList::AddRef()
{
    return ++refCount_;
}

ULONG STDMETHODCALLTYPE CBridgeNameList::Release()
{
    const ULONG left = --refCount_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetListName(char *buffer, LONG size)
{
    if (!buffer)
        return E_POINTER;
    copyCut(buffer, size, name_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetNumberCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = count_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetNameOfNumber(LONG number, char *buffer, LONG size)
{
    if (!writable(buffer, size))
        return E_POINTER;
    if (number < 0 || number >= count_)
        return E_INVALIDARG;
    const auto found = names_.find(number);
    copyCut(buffer, size, found == names_.end() ? std::string() : found->second);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetEntryCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<LONG>(names_.size());
    return S_OK;
}

std::map<LONG, std::string>::const_iterator CBridgeNameList::at(DXI_NAME_POSITION position) const
{
    const auto index = reinterpret_cast<uintptr_t>(position);
    if (index == 0 || index > names_.size())
        return names_.end();
    auto entry = names_.begin();
    std::advance(entry, index - 1);
    return entry;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetFirstPosition(DXI_NAME_POSITION *position)
{
    if (!position)
        return E_POINTER;
    *position = names_.empty() ? nullptr : reinterpret_cast<DXI_NAME_POSITION>(uintptr_t{1});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::GetNextName(DXI_NAME_POSITION *position, LONG *number,
                                                       char *buffer, LONG size)
{
    if (!writable(buffer, size) || !position)
        return E_POINTER;
    const auto entry = at(*position);
    if (entry == names_.end())
        return S_FALSE;
    if (number)
        *number = entry->first;
    copyCut(buffer, size, entry->second);
    const auto next = reinterpret_cast<uintptr_t>(*position) + 1;
    *position = next > names_.size() ? nullptr : reinterpret_cast<DXI_NAME_POSITION>(next);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeNameList::FindName(LONG number, char *buffer, LONG size)
{
    if (!writable(buffer, size))
        return E_POINTER;
    const auto found = names_.find(number);
    if (found == names_.end())
        return S_FALSE;
    copyCut(buffer, size, found->second);
    return S_OK;
}

// ---- instrument names

CBridgeInstrumentNames::CBridgeInstrumentNames(const std::string &instrument) : name_(instrument) {}

CBridgeInstrumentNames::~CBridgeInstrumentNames()
{
    for (CBridgeNameList *list : {controllers_, rpns_, nrpns_})
        if (list)
            list->Release();
    for (auto *lists : {&patchLists_, &noteLists_})
        for (auto &entry : *lists)
            entry.second->Release();
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::QueryInterface(REFIID iid, void **out)
{
    return answer(this, iid, IID_IInstrumentNames, nullptr, out);
}

ULONG STDMETHODCALLTYPE CBridgeInstrumentNames::AddRef()
{
    return ++refCount_;
}

ULONG STDMETHODCALLTYPE CBridgeInstrumentNames::Release()
{
    const ULONG left = --refCount_;
    if (left == 0)
        delete this;
    return left;
}

LONG CBridgeInstrumentNames::NoteKey(LONG bank, LONG patch)
{
    return static_cast<LONG>(static_cast<uint32_t>(bank) << 16 | (static_cast<uint32_t>(patch) & 0xFFFF));
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetInstrumentName(char *buffer, LONG size)
{
    if (!buffer || size < static_cast<LONG>(name_.size()) + 1)
        return E_POINTER;
    std::memcpy(buffer, name_.c_str(), name_.size() + 1);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetBanks(int32_t **banks, int32_t *count)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!banks || !count)
        return E_POINTER;
    *banks = static_cast<int32_t *>(CoTaskMemAlloc(sizeof(int32_t)));
    if (!*banks)
        return E_OUTOFMEMORY;
    (*banks)[0] = 0;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::QueryPatch(LONG bank, LONG patch)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return validBank(bank) && validPatch(patch) ? S_FALSE : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::QueryPatch2(LONG bank, LONG patch)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    return validBank(bank) && validPatch(patch) ? S_OK : E_INVALIDARG;
}

HRESULT CBridgeInstrumentNames::give(CBridgeNameList *list, INameList **out)
{
    if (!list)
        return E_FAIL;
    list->AddRef();
    *out = list;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetPatchNames(LONG bank, INameList **list)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!validBank(bank))
        return E_INVALIDARG;
    if (!list)
        return E_POINTER;
    if (const HRESULT hr = MakePatchList(bank); FAILED(hr))
        return hr;
    const auto found = patchLists_.find(bank);
    return give(found == patchLists_.end() ? nullptr : found->second, list);
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetNoteNames(LONG bank, LONG patch, INameList **list)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!validBank(bank))
        return E_INVALIDARG;
    if (!list)
        return E_POINTER;
    if (const HRESULT hr = MakeNoteList(bank, patch); FAILED(hr))
        return hr;
    const auto found = noteLists_.find(NoteKey(bank, patch));
    const HRESULT hr = give(found == noteLists_.end() ? nullptr : found->second, list);
    return SUCCEEDED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetControllerNames(INameList **list)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!list)
        return E_POINTER;
    const HRESULT hr = MakeControllerList();
    return FAILED(hr) ? hr : give(controllers_, list);
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetRpnNames(INameList **list)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!list)
        return E_POINTER;
    const HRESULT hr = MakeRpnList();
    return FAILED(hr) ? hr : give(rpns_, list);
}

HRESULT STDMETHODCALLTYPE CBridgeInstrumentNames::GetNrpnNames(INameList **list)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (!list)
        return E_POINTER;
    const HRESULT hr = MakeNrpnList();
    return FAILED(hr) ? hr : give(nrpns_, list);
}

HRESULT CBridgeInstrumentNames::make(CBridgeNameList *&slot, const char *suffix, LONG count)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    if (slot)
        return S_OK;
    slot = new (std::nothrow) CBridgeNameList(name_ + suffix, count);
    if (!slot)
        return E_OUTOFMEMORY;
    slot->AddRef();
    return S_OK;
}

HRESULT CBridgeInstrumentNames::MakePatchList(LONG bank)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    CBridgeNameList *list = patchLists_.count(bank) ? patchLists_[bank] : nullptr;
    const HRESULT hr = make(list, " Patches", kNumbers);
    if (SUCCEEDED(hr))
        patchLists_[bank] = list;
    return hr;
}

HRESULT CBridgeInstrumentNames::MakeNoteList(LONG bank, LONG patch)
{
    Quorvane::CriticalSectionGuard guard(lock_);
    const LONG key = NoteKey(bank, patch);
    CBridgeNameList *list = noteLists_.count(key) ? noteLists_[key] : nullptr;
    const HRESULT hr = make(list, " Notes", kNumbers);
    if (SUCCEEDED(hr))
        noteLists_[key] = list;
    return hr;
}

HRESULT CBridgeInstrumentNames::MakeControllerList()
{
    return make(controllers_, " Controllers", kNumbers);
}

HRESULT CBridgeInstrumentNames::MakeRpnList()
{
    return make(rpns_, " RPNs", kParameterNumbers);
}

HRESULT CBridgeInstrumentNames::MakeNrpnList()
{
    return make(nrpns_, " NRPNs", kParameterNumbers);
}

} // namespace Halvorin
