#include "sound/equipment/tests/test_audio_filter.h"

#include "dshow/ds_filter.h"
#include "sound/equipment/tests/equipment_fixture.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <vector>

namespace equipment_test {

namespace {

const DsPinTypeSetup kAudioTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

// Only its registration is used: it declares its pins in its setup data.
class AudioTestFilter : public CDsFilter {
public:
    AudioTestFilter(const GUID &id, const std::wstring &name, int pins)
        : CDsFilter("Audio Test Filter", nullptr, &lock_, id), classId_(id), name_(name)
    {
        if (pins & kAudioIn)
            pins_.push_back({L"In", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, kAudioTypes});
        if (pins & kAudioOut)
            pins_.push_back({L"Out", FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, kAudioTypes});
        setup_ = {&classId_, name_.c_str(), MERIT_DO_NOT_USE, static_cast<UINT>(pins_.size()), pins_.data()};
    }
    int GetPinCount() override { return 0; }
    CDsPin *GetPin(int) override { return nullptr; }
    const DsFilterSetup *GetSetupData() override { return &setup_; }

private:
    Quorvane::CriticalSection lock_;
    GUID classId_;
    std::wstring name_;
    std::vector<DsPinSetup> pins_;
    DsFilterSetup setup_{};
};

} // namespace

void registerAudioFilter(const GUID &id, const std::wstring &name, int pins)
{
    writeText(HKEY_CLASSES_ROOT, "CLSID\\" + guidText(id), nullptr, std::string(name.begin(), name.end()));
    auto *filter = new AudioTestFilter(id, name, pins);
    filter->NonDelegatingAddRef();
    EXPECT_EQ(filter->Register(), S_OK);
    filter->NonDelegatingRelease();
}

void unregisterAudioFilter(const GUID &id)
{
    auto *filter = new AudioTestFilter(id, L"", 0);
    filter->NonDelegatingAddRef();
    filter->Unregister();
    filter->NonDelegatingRelease();
    deleteKey(HKEY_CLASSES_ROOT, "CLSID\\" + guidText(id));
}

void registerInSecondCategory(const GUID &id, const std::wstring &name)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IFilterMapper2 *mapper = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               reinterpret_cast<void **>(&mapper)),
              S_OK);
    mapper->CreateCategory(CLSID_AudioCompressorCategory, MERIT_NORMAL, L"Audio Compressors");
    REGPINTYPES types = {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM};
    REGFILTERPINS pins[2] = {{nullptr, FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, &types},
                             {nullptr, FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, &types}};
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins = 2;
    filter.rgPins = pins;
    EXPECT_EQ(
        mapper->RegisterFilter(id, name.c_str(), nullptr, &CLSID_AudioCompressorCategory, nullptr, &filter),
        S_OK);
    mapper->Release();
    CoUninitialize();
}

} // namespace equipment_test
