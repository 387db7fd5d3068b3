// A small stand-in for an MFX host's name interfaces: note-name sets and a
// drum module, with reference counts the tests can check.
#pragma once

#include "plugin/framework/mfx/mfx_host.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fake_host {

template <typename Interface> class Counted : public Interface {
public:
    virtual ~Counted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, __uuidof(Interface))) {
            *out = static_cast<Interface *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    // Owned by the test: a count of 0 only shows that everyone let go.
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    LONG refs = 1;
};

inline void copyOut(const std::string &text, char *buffer, LONG size)
{
    std::memset(buffer, 0, size);
    std::memcpy(buffer, text.data(), std::min<size_t>(text.size(), size - 1));
}

class NameList : public Counted<IMfxNameList> {
public:
    NameList(std::string title, std::map<int, std::string> names, LONG count = 128)
        : title(std::move(title)), names(std::move(names)), count(count)
    {
    }
    HRESULT STDMETHODCALLTYPE GetTitle(char *buffer, LONG size) override
    {
        if (failTitle)
            return E_FAIL;
        copyOut(title, buffer, size);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG *out) override
    {
        if (failCount)
            return E_FAIL;
        *out = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetName(LONG index, char *buffer, LONG size) override
    {
        const auto found = names.find(index);
        if (found == names.end())
            return E_FAIL;
        copyOut(found->second, buffer, size);
        return S_OK;
    }

    std::string title;
    std::map<int, std::string> names;
    LONG count;
    bool failTitle = false;
    bool failCount = false;
};

class NameSet : public Counted<IMfxNameSet> {
public:
    HRESULT STDMETHODCALLTYPE GetCount(LONG *out) override
    {
        if (failCount)
            return E_FAIL;
        *out = static_cast<LONG>(lists.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNameList(LONG index, IMfxNameList **out) override
    {
        if (index < 0 || index >= static_cast<LONG>(lists.size())) {
            *out = nullptr;
            return E_FAIL;
        }
        lists[index]->AddRef();
        *out = lists[index].get();
        return S_OK;
    }

    NameList &add(const std::string &title, std::map<int, std::string> names, LONG count = 128)
    {
        lists.push_back(std::make_unique<NameList>(title, std::move(names), count));
        return *lists.back();
    }

    std::vector<std::unique_ptr<NameList>> lists;
    bool failCount = false;
};

class DrumModule : public Counted<IMfxDrumModule> {
public:
    HRESULT STDMETHODCALLTYPE
    GetShortNames(char block[kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize]) override
    {
        std::memset(block, 0, kMfxDrumModuleNoteCount * kMfxDrumModuleShortNameSize);
        for (const auto &[note, name] : shortNames)
            std::memcpy(block + (note - kMfxDrumModuleFirstNote) * kMfxDrumModuleShortNameSize, name.data(),
                        std::min<size_t>(name.size(), kMfxDrumModuleShortNameSize));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLongName(LONG note, char *buffer, LONG size) override
    {
        const auto found = longNames.find(note);
        if (found == longNames.end())
            return S_FALSE;
        copyOut(found->second, buffer, size);
        return S_OK;
    }

    std::map<int, std::string> shortNames;
    std::map<int, std::string> longNames;
};

} // namespace fake_host
