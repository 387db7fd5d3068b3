#include "bridge/dxi/bridge_media_params.h"

#include "bridge/common/tests/recorder_fixture.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <string>

using namespace Halvorin;

namespace {

MP_ENVELOPE_SEGMENT segment(REFERENCE_TIME start, REFERENCE_TIME end, float from, float to,
                            MP_CURVE_TYPE curve)
{
    MP_ENVELOPE_SEGMENT s = {};
    s.rtStart = start;
    s.rtEnd = end;
    s.valStart = from;
    s.valEnd = to;
    s.iCurve = curve;
    return s;
}

ParamDescription floatDescription()
{
    ParamDescription d = {};
    d.info.mpType = MPT_FLOAT;
    d.info.mpdMinValue = 0.0f;
    d.info.mpdMaxValue = 10.0f;
    d.info.mpdNeutralValue = 5.0f;
    d.internalMin = 0.0f;
    d.internalMax = 1.0f;
    return d;
}

TEST(ParamEnvelope, InternalValuesByType)
{
    CBridgeParamEnvelope floats(floatDescription());
    EXPECT_FLOAT_EQ(floats.Internal(2.5f), 0.25f);
    EXPECT_FLOAT_EQ(floats.Outside(0.25f), 2.5f);
    ParamDescription integer = floatDescription();
    integer.info.mpType = MPT_INT;
    integer.internalMax = 100.0f;
    CBridgeParamEnvelope ints(integer);
    EXPECT_EQ(ints.Internal(2.345f), 23.0f) << "23.45 rounds down";
    EXPECT_EQ(ints.Internal(2.355f), 24.0f);
    ParamDescription boolean = floatDescription();
    boolean.info.mpType = MPT_BOOL;
    CBridgeParamEnvelope bools(boolean);
    EXPECT_EQ(bools.Internal(0.5f), 1.0f);
    EXPECT_EQ(bools.Internal(0.49f), 0.0f);
    EXPECT_EQ(bools.Outside(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(floats.GetParam(), 5.0f) << "the neutral value to start";
    EXPECT_TRUE(floats.Overriding());
}

TEST(ParamEnvelope, CurvesBetweenASegmentsEnds)
{
    const struct {
        MP_CURVE_TYPE curve;
        float at25; // the outside value a quarter of the way
    } cases[] = {
        {MP_CURVE_JUMP, 2.0f},
        {MP_CURVE_LINEAR, 4.0f},    // 2 + 0.25 x 8
        {MP_CURVE_SQUARE, 2.5f},    // 2 + 0.0625 x 8
        {MP_CURVE_INVSQUARE, 5.5f}, // 10 - 0.5625 x 8
    };
    for (const auto &c : cases) {
        CBridgeParamEnvelope envelope(floatDescription());
        const MP_ENVELOPE_SEGMENT s = segment(1000, 2000, 2.0f, 10.0f, c.curve);
        envelope.AddSegments(1, &s, 0.0);
        envelope.ValueAt(1250);
        EXPECT_FLOAT_EQ(envelope.GetParam(), c.at25) << c.curve;
        EXPECT_FALSE(envelope.Overriding());
        envelope.ValueAt(5000);
        EXPECT_FLOAT_EQ(envelope.GetParam(), 10.0f) << "past the end: its end value";
    }
    CBridgeParamEnvelope sine(floatDescription());
    const MP_ENVELOPE_SEGMENT s = segment(0, 1000, 0.0f, 10.0f, MP_CURVE_SINE);
    sine.AddSegments(1, &s, 0.0);
    sine.ValueAt(500);
    EXPECT_FALSE(sine.Valid()) << "no sine value";
}

TEST(ParamEnvelope, AValueSetOverridesUntilTheEnvelopeSpeaks)
{
    CBridgeParamEnvelope envelope(floatDescription());
    envelope.SetParam(7.0f);
    EXPECT_FLOAT_EQ(envelope.GetParam(), 7.0f);
    envelope.ValueAt(100); // no segment: unchanged
    EXPECT_FLOAT_EQ(envelope.GetParam(), 7.0f);
    const MP_ENVELOPE_SEGMENT s = segment(1000, 2000, 1.0f, 1.0f, MP_CURVE_JUMP);
    envelope.AddSegments(1, &s, 0.0);
    envelope.ValueAt(1500);
    EXPECT_FLOAT_EQ(envelope.GetParam(), 1.0f);
    envelope.SetCapturing(true);
    envelope.SetParam(3.0f);
    envelope.ValueAt(1600);
    EXPECT_FLOAT_EQ(envelope.GetParam(), 3.0f) << "a capture holds the set value";
}

TEST(ParamEnvelope, SegmentsAreSortedAndFlushedByOverlap)
{
    CBridgeParamEnvelope envelope(floatDescription());
    const MP_ENVELOPE_SEGMENT segments[] = {
        segment(3000, 4000, 0, 1, MP_CURVE_JUMP),
        segment(1000, 2000, 0, 1, MP_CURVE_JUMP),
        segment(1000, 2000, 0, 1, MP_CURVE_JUMP),
    };
    envelope.AddSegments(3, segments, 0.0);
    std::vector<MP_ENVELOPE_SEGMENT> kept = envelope.Segments();
    ASSERT_EQ(kept.size(), 2u) << "an exact duplicate goes";
    EXPECT_EQ(kept[0].rtStart, 1000);
    envelope.Flush(1500, 2500, 0.0);
    kept = envelope.Segments();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].rtStart, 3000);
    envelope.Flush(0, 5000, 0.0);
    EXPECT_TRUE(envelope.Segments().empty());
    EXPECT_TRUE(envelope.Overriding());
}

TEST(ParamEnvelope, SegmentsThatThePastHasOvertakenGo)
{
    CBridgeParamEnvelope envelope(floatDescription());
    const MP_ENVELOPE_SEGMENT first[] = {segment(0, 1000, 0, 1, MP_CURVE_JUMP),
                                         segment(2000, 3000, 0, 1, MP_CURVE_JUMP)};
    envelope.AddSegments(2, first, 0.0);
    envelope.ValueAt(5000);
    const MP_ENVELOPE_SEGMENT late = segment(2500, 2600, 0, 1, MP_CURVE_JUMP);
    envelope.AddSegments(1, &late, 0.0);
    const std::vector<MP_ENVELOPE_SEGMENT> kept = envelope.Segments();
    ASSERT_EQ(kept.size(), 1u) << "what lies before the segment holding 2500 (the new one) is dropped";
    EXPECT_EQ(kept[0].rtStart, 2500);
}

// The media-parameter object, as the filter holds it.
class MediaParamsTest : public ::testing::Test {
protected:
    halvorin_test::Recorder recorder;
    CBridgeMediaParams *params = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        params = new CBridgeMediaParams(nullptr);
    }
    void TearDown() override { delete params; }
};

TEST_F(MediaParamsTest, EnabledIsTheOneParameter)
{
    DWORD count = 0;
    EXPECT_EQ(params->GetParamCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    MP_PARAMINFO info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(params->GetParamInfo(0, &info), S_OK);
    EXPECT_EQ(info.mpType, MPT_BOOL);
    EXPECT_EQ(info.mopCaps, 0x0Fu);
    EXPECT_EQ(info.mpdMinValue, 0.0f);
    EXPECT_EQ(info.mpdMaxValue, 1.0f);
    EXPECT_EQ(info.mpdNeutralValue, 1.0f);
    EXPECT_STREQ(info.szLabel, L"Enabled");
    EXPECT_STREQ(info.szUnitText, L"");
    EXPECT_EQ(params->GetParamInfo(1, &info), E_INVALIDARG);
    EXPECT_EQ(params->GetParamInfo(0, nullptr), E_POINTER);

    WCHAR *text = nullptr;
    ASSERT_EQ(params->GetParamText(0, &text), S_OK);
    const WCHAR expected[] = L"Enabled\0\0";
    EXPECT_EQ(std::memcmp(text, expected, sizeof expected), 0) << "label, unit, end";
    CoTaskMemFree(text);
    EXPECT_EQ(params->GetParamText(1, &text), E_INVALIDARG);
    EXPECT_EQ(params->GetParamText(0, nullptr), E_POINTER);

    float value = -1.0f;
    EXPECT_EQ(params->GetParam(0, &value), S_OK);
    EXPECT_EQ(value, 1.0f);
    EXPECT_EQ(params->GetParam(1, &value), S_OK);
    EXPECT_EQ(value, 0.0f);
    EXPECT_EQ(params->GetParam(2, &value), E_INVALIDARG);
    EXPECT_EQ(params->GetParam(0, nullptr), E_POINTER);
    EXPECT_EQ(params->SetParam(2, 0.0f), E_INVALIDARG);
    EXPECT_EQ(params->SetParam(0, 0.2f), S_OK);
    params->GetParam(0, &value);
    EXPECT_EQ(value, 0.0f) << "a boolean";
}

TEST_F(MediaParamsTest, OneTimeFormat)
{
    DWORD count = 0;
    EXPECT_EQ(params->GetNumTimeFormats(&count), S_OK);
    EXPECT_EQ(count, 1u);
    GUID format = GUID_NULL;
    EXPECT_EQ(params->GetSupportedTimeFormat(0, &format), S_OK);
    EXPECT_EQ(format, GUID_BridgeTimeReference);
    EXPECT_EQ(params->GetSupportedTimeFormat(1, &format), E_INVALIDARG);
    EXPECT_EQ(params->GetSupportedTimeFormat(0, nullptr), E_POINTER);
    MP_TIMEDATA data = 5;
    EXPECT_EQ(params->GetCurrentTimeFormat(&format, &data), S_OK);
    EXPECT_EQ(params->GetCurrentTimeFormat(nullptr, &data), E_POINTER);
    EXPECT_EQ(params->SetTimeFormat(GUID_BridgeTimeReference, 0), S_OK);
    EXPECT_EQ(params->SetTimeFormat(GUID_NULL, 0), E_INVALIDARG);
}

TEST_F(MediaParamsTest, EnvelopesGoToEnabled)
{
    MP_ENVELOPE_SEGMENT s = segment(0, 100, 0, 1, MP_CURVE_LINEAR);
    EXPECT_EQ(params->AddEnvelope(1, 1, &s), E_INVALIDARG);
    EXPECT_EQ(params->AddEnvelope(0, 0, nullptr), S_OK) << "nothing to add";
    EXPECT_EQ(params->AddEnvelope(0, 1, nullptr), E_POINTER);
    EXPECT_EQ(params->AddEnvelope(0xFFFFFFFF, 1, &s), S_OK) << "all envelopes";
    EXPECT_TRUE(params->Envelope(0).HasSegments());
    EXPECT_EQ(params->FlushEnvelope(0, 100, 0), E_INVALIDARG) << "start after end";
    EXPECT_EQ(params->FlushEnvelope(1, 0, 100), E_INVALIDARG);
    EXPECT_EQ(params->FlushEnvelope(0, 0, 100), S_OK);
    EXPECT_FALSE(params->Envelope(0).HasSegments());
}

TEST_F(MediaParamsTest, ChangePointsEveryStepAndAtTheSegmentsEnds)
{
    EXPECT_TRUE(params->ChangePoints(0, 4096).empty()) << "no envelope, no points";
    params->SetSampleRate(44100.0);
    MP_ENVELOPE_SEGMENT s = segment(100000, 500000, 0, 1, MP_CURVE_LINEAR);
    ASSERT_EQ(params->AddEnvelope(0, 1, &s), S_OK);
    EXPECT_EQ(params->ChangePoints(0, 4096), (std::vector<int64_t>{0, 441, 882, 1764, 2205, 2646, 3528}));
    EXPECT_EQ(params->ChangePoints(1000, 2000), (std::vector<int64_t>{1764}));
    params->SetSampleRate(48000.0);
    EXPECT_EQ(params->ChangePoints(0, 1000), (std::vector<int64_t>{0, 480, 960})) << "960 samples a step";
}

// A page's callbacks: the values set here, then passed on.
class UiCallback : public IParamsUICallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE ParamsBeginCapture(DWORD *, DWORD) override
    {
        return calls.push_back("begin"), S_OK;
    }
    HRESULT STDMETHODCALLTYPE ParamsChanged(DWORD *, DWORD, MP_DATA *) override
    {
        return calls.push_back("changed"), S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE ParamsEndCapture(DWORD *, DWORD) override
    {
        return calls.push_back("end"), S_OK;
    }
    ULONG references = 1;
    std::vector<std::string> calls;
};

TEST_F(MediaParamsTest, PageCallbacksSetTheValuesAndArePassedOn)
{
    DWORD indexes[] = {0};
    MP_DATA values[] = {0.0f};
    EXPECT_EQ(params->ParamsBeginCapture(indexes, 1), S_OK) << "nobody to pass it on to";
    UiCallback callback;
    ASSERT_EQ(params->SetParamsUICallback(&callback), S_OK);
    EXPECT_EQ(callback.references, 2u);
    EXPECT_EQ(params->ParamsChanged(indexes, 1, values), S_FALSE) << "the kept callback's answer";
    float enabled = -1.0f;
    params->GetParam(0, &enabled);
    EXPECT_EQ(enabled, 0.0f);
    EXPECT_EQ(params->ParamsEndCapture(indexes, 1), S_OK);
    DWORD bad[] = {0, 7};
    MP_DATA two[] = {1.0f, 1.0f};
    EXPECT_EQ(params->ParamsChanged(bad, 2, two), E_INVALIDARG);
    EXPECT_EQ(callback.calls, (std::vector<std::string>{"changed", "end"})) << "a failure is not passed on";
    ASSERT_EQ(params->SetParamsUICallback(nullptr), S_OK);
    EXPECT_EQ(callback.references, 1u);
}

} // namespace
