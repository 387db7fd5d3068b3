#include "dshow/ds_setup.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ds_test;

// A filter mapper that writes down every call and fails the n-th one.
class RecordingMapper : public IFilterMapper {
public:
    std::vector<std::string> calls;
    int failAt = -1;
    HRESULT failure = E_FAIL;
    HRESULT unregisterAnswer = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE RegisterFilter(CLSID, LPCWSTR name, DWORD merit) override
    {
        return record("filter " + narrow(name) + " " + std::to_string(merit));
    }
    HRESULT STDMETHODCALLTYPE RegisterFilterInstance(CLSID, LPCWSTR, CLSID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPin(CLSID, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero,
                                          BOOL many, CLSID connectsTo, LPCWSTR connectsToPin) override
    {
        return record("pin " + narrow(name) + " " + std::to_string(rendered) + std::to_string(output) +
                      std::to_string(zero) + std::to_string(many) + (connectsTo == GUID_NULL ? " -" : " F") +
                      " " + narrow(connectsToPin));
    }
    HRESULT STDMETHODCALLTYPE RegisterPinType(CLSID, LPCWSTR pin, CLSID major, CLSID subtype) override
    {
        return record("type " + narrow(pin) + (major == kTypeA ? " A" : " ?") +
                      (subtype == kSubX ? "X" : "Y"));
    }
    HRESULT STDMETHODCALLTYPE UnregisterFilter(CLSID) override
    {
        const HRESULT hr = record("unregister");
        return SUCCEEDED(hr) ? unregisterAnswer : hr;
    }
    HRESULT STDMETHODCALLTYPE UnregisterFilterInstance(CLSID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterPin(CLSID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumRegFilters **, DWORD, BOOL, CLSID, CLSID, BOOL, BOOL,
                                                  CLSID, CLSID) override
    {
        return E_NOTIMPL;
    }

private:
    HRESULT record(const std::string &call)
    {
        calls.push_back(call);
        return static_cast<int>(calls.size()) - 1 == failAt ? failure : S_OK;
    }
    static std::string narrow(const WCHAR *text)
    {
        std::string s;
        for (; text && *text; ++text)
            s += static_cast<char>(*text);
        return s;
    }
};

const DsPinTypeSetup kTypes[] = {{&kTypeA, &kSubX}, {&kTypeA, &kSubY}};
const DsPinSetup kPins[] = {
    {L"In", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, kTypes},
    {L"Out", TRUE, TRUE, TRUE, TRUE, &kSourceClass, L"Src", 2, kTypes},
};
const DsFilterSetup kSetup = {&kSinkClass, L"Sink", 0x600000, 2, kPins};

TEST(SetupTest, RegistersFilterPinsAndTypesInOrderAfterRemovingTheOld)
{
    RecordingMapper mapper;
    EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, TRUE), S_OK);
    EXPECT_EQ(mapper.calls, (std::vector<std::string>{
                                "unregister",
                                "filter Sink 6291456",
                                "pin In 0000 - ",
                                "type In AX",
                                "pin Out 1111 F Src",
                                "type Out AX",
                                "type Out AY",
                            }));
}

TEST(SetupTest, UnregisteringOnlyRemoves)
{
    RecordingMapper mapper;
    EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, FALSE), S_OK);
    EXPECT_EQ(mapper.calls, std::vector<std::string>{"unregister"});
    EXPECT_EQ(DsRegisterFilterSetup(nullptr, &mapper, TRUE), S_FALSE);
}

TEST(SetupTest, TheFirstFailingCallEndsTheWalk)
{
    struct Case {
        int failAt;
        size_t callsMade;
    } cases[] = {{1, 2}, {2, 3}, {3, 4}, {5, 6}};
    for (const Case &c : cases) {
        RecordingMapper mapper;
        mapper.failAt = c.failAt;
        EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, TRUE), E_FAIL) << c.failAt;
        EXPECT_EQ(mapper.calls.size(), c.callsMade) << c.failAt;
    }
}

TEST(SetupTest, NothingRegisteredUnderTheClassCountsAsSuccess)
{
    RecordingMapper mapper;
    mapper.unregisterAnswer = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, FALSE), S_OK);
    mapper.calls.clear();
    mapper.failAt = 0;
    mapper.failure = E_ACCESSDENIED;
    EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, FALSE), E_ACCESSDENIED);
    // Registering goes on after a failed removal: only the last answer counts.
    mapper.calls.clear();
    EXPECT_EQ(DsRegisterFilterSetup(&kSetup, &mapper, TRUE), S_OK);
    EXPECT_EQ(mapper.calls.size(), 7u);
}

} // namespace
