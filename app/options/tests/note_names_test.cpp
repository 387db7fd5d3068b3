#include "app/options/accent_dialog.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;

namespace {

// A loop-slice drummer that names only its snare, and a sink for it.
class NamingDrummer final : public IQN3Request {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IQN3Request) {
            *out = static_cast<IQN3Request *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE Attach(IDrummerSink *, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetParam(LONG, LONG, LONG *value) override
    {
        *value = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetParam(LONG, LONG, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetNoteName(LONG note, char *buffer, LONG length) override
    {
        return note == 38 ? answerNoteName("Snare", buffer, length) : E_FAIL;
    }
    ULONG references = 1;
};

class QuietSink final : public IDrummerSink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ParamChanged(DWORD, LONG, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Detach(DWORD) override { return S_OK; }
};

} // namespace

TEST(AccentNoteNames, TheFirstAttachedDrummerNamesTheNotes)
{
    NamingDrummer later, first;
    QuietSink sink;
    PartDrummers drummers;
    EXPECT_EQ(FirstAttachedDrummer(drummers), nullptr);
    ASSERT_TRUE(drummers.Attach(5, 0, &later, &sink));
    ASSERT_TRUE(drummers.Attach(3, 0, &first, &sink));
    EXPECT_EQ(FirstAttachedDrummer(drummers), &first);

    const NoteNamer names = DrummerNoteNamer(FirstAttachedDrummer(drummers));
    EXPECT_EQ(names(38), "Snare");
    // A note the drummer does not name shows its number in the lists.
    EXPECT_EQ(names(40), "");
    EXPECT_EQ(DrummerNoteNamer(nullptr)(38), "");
    drummers.ReleaseAll();
}
