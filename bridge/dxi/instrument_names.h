// The names a DXi host asks the bridge instrument for: one bank, and for
// every kind of number a name list made on first request and named after
// the instrument. The lists hold no entries, so every name comes back
// empty; what counts are the exact ranges, answers and list names.
#pragma once

#include "base/critical_section.h"
#include "platform/dxi.h"

#include <map>
#include <string>

namespace Halvorin {

class CBridgeNameList final : public INameList {
public:
    // A list of no entries covering the numbers 0 .. count - 1.
    CBridgeNameList(const std::string &name, LONG count);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetListName(char *buffer, LONG size) override;
    HRESULT STDMETHODCALLTYPE GetNumberCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetNameOfNumber(LONG number, char *buffer, LONG size) override;
    HRESULT STDMETHODCALLTYPE GetEntryCount(LONG *count) override;
    HRESULT STDMETHODCALLTYPE GetFirstPosition(DXI_NAME_POSITION *position) override;
    HRESULT STDMETHODCALLTYPE GetNextName(DXI_NAME_POSITION *position, LONG *number, char *buffer,
                                          LONG size) override;
    HRESULT STDMETHODCALLTYPE FindName(LONG number, char *buffer, LONG size) override;
    virtual ~CBridgeNameList() = default;

private:
    // The entry at a position: positions count the entries from 1; null is
    // the end.
    std::map<LONG, std::string>::const_iterator at(DXI_NAME_POSITION position) const;

    ULONG refCount_ = 0;
    std::string name_;
    LONG count_;
    std::map<LONG, std::string> names_;
};

class CBridgeInstrumentNames final : public IInstrumentNames {
public:
    explicit CBridgeInstrumentNames(const std::string &instrument);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetInstrumentName(char *buffer, LONG size) override;
    HRESULT STDMETHODCALLTYPE GetBanks(int32_t **banks, int32_t *count) override;
    HRESULT STDMETHODCALLTYPE QueryPatch(LONG bank, LONG patch) override;
    HRESULT STDMETHODCALLTYPE QueryPatch2(LONG bank, LONG patch) override;
    HRESULT STDMETHODCALLTYPE GetPatchNames(LONG bank, INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetNoteNames(LONG bank, LONG patch, INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetControllerNames(INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetRpnNames(INameList **list) override;
    HRESULT STDMETHODCALLTYPE GetNrpnNames(INameList **list) override;

    virtual ~CBridgeInstrumentNames();
    virtual HRESULT MakePatchList(LONG bank);
    virtual HRESULT MakeNoteList(LONG bank, LONG patch);
    virtual HRESULT MakeControllerList();
    virtual HRESULT MakeRpnList();
    virtual HRESULT MakeNrpnList();

    // Where the note names of a patch are kept.
    static LONG NoteKey(LONG bank, LONG patch);

private:
    // Makes the list into slot unless it is there; E_OUTOFMEMORY when it
    // cannot be made.
    HRESULT make(CBridgeNameList *&slot, const char *suffix, LONG count);
    // The list AddRef'd into out; E_FAIL when it is still missing.
    static HRESULT give(CBridgeNameList *list, INameList **out);

    Quorvane::CriticalSection lock_;
    ULONG refCount_ = 0;
    std::string name_;
    std::map<LONG, CBridgeNameList *> patchLists_;
    std::map<LONG, CBridgeNameList *> noteLists_;
    CBridgeNameList *controllers_ = nullptr;
    CBridgeNameList *rpns_ = nullptr;
    CBridgeNameList *nrpns_ = nullptr;
};

} // namespace Halvorin
