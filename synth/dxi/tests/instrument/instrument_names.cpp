// A fixed name list of the test instrument.
#include "synth/dxi/tests/instrument/test_instrument.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

void copyName(const std::string &text, char *buffer, LONG size)
{
    if (size <= 0)
        return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

class CNameList final : public INameList, public CDsObject {
public:
    virtual ~CNameList() = default;
    CNameList(const char *name, const char *const *names, const LONG *numbers, int count) : name_(name)
    {
        for (int i = 0; i < count; ++i)
            entries_.push_back({numbers[i], names[i]});
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_INameList) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<INameList *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (!left)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetListName(char *buffer, LONG size) override
    {
        if (!buffer)
            return E_POINTER;
        copyName(name_, buffer, size);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNumberCount(LONG *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 128;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNameOfNumber(LONG number, char *buffer, LONG size) override
    {
        if (!buffer)
            return E_POINTER;
        copyName("", buffer, size);
        return FindName(number, buffer, size) == S_FALSE ? S_OK : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEntryCount(LONG *count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<LONG>(entries_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFirstPosition(DXI_NAME_POSITION *position) override
    {
        if (!position)
            return E_POINTER;
        *position = reinterpret_cast<DXI_NAME_POSITION>(static_cast<INT_PTR>(0));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNextName(DXI_NAME_POSITION *position, LONG *number, char *buffer,
                                          LONG size) override
    {
        if (!position || !buffer)
            return E_POINTER;
        const size_t at = static_cast<size_t>(reinterpret_cast<INT_PTR>(*position));
        if (at >= entries_.size())
            return S_FALSE;
        if (number)
            *number = entries_[at].first;
        copyName(entries_[at].second, buffer, size);
        *position = reinterpret_cast<DXI_NAME_POSITION>(static_cast<INT_PTR>(at + 1));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindName(LONG number, char *buffer, LONG size) override
    {
        if (!buffer)
            return E_POINTER;
        for (const auto &entry : entries_)
            if (entry.first == number) {
                copyName(entry.second, buffer, size);
                return S_OK;
            }
        return S_FALSE;
    }

private:
    volatile LONG refs_ = 1;
    std::string name_;
    std::vector<std::pair<LONG, std::string>> entries_;
};

} // namespace

INameList *CreateTestNameList(const char *name, const char *const *names, const LONG *numbers, int count)
{
    return new (std::nothrow) CNameList(name, names, numbers, count);
}
