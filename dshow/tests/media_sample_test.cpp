#include "dshow/ds_media_sample.h"

#include "dshow/tests/memory_probe.h"
#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace ds_test;

// The 64-bit sample-properties record, pinned by its offsets.
static_assert(sizeof(AM_SAMPLE2_PROPERTIES) == 64);
constexpr DWORD kFlagsEnd = 12, kStartEnd = 24, kStopEnd = 32, kStreamIdEnd = 36, kTypeEnd = 48,
                kBufferEnd = 56, kRecordSize = 64;

class MediaSampleTest : public ::testing::Test {
protected:
    ComScope com;
    TestAllocator *allocator = new TestAllocator;
    BYTE memory[64] = {};
    CDsMediaSample sample{"sample", allocator, nullptr, memory, 64};

    MediaSampleTest() { allocator->NonDelegatingAddRef(); }
    ~MediaSampleTest() override { allocator->NonDelegatingRelease(); }

    AM_SAMPLE2_PROPERTIES properties()
    {
        AM_SAMPLE2_PROPERTIES p;
        EXPECT_EQ(sample.GetProperties(sizeof p, reinterpret_cast<BYTE *>(&p)), S_OK);
        return p;
    }
    HRESULT set(const AM_SAMPLE2_PROPERTIES &p, DWORD n)
    {
        return sample.SetProperties(n, reinterpret_cast<const BYTE *>(&p));
    }
    // A full record describing the sample as it is.
    AM_SAMPLE2_PROPERTIES current() { return properties(); }
};

TEST_F(MediaSampleTest, NewSampleHasNoTimesFlagsOrReferences)
{
    EXPECT_EQ(sample.GetActualDataLength(), 64);
    EXPECT_EQ(sample.GetSize(), 64);
    EXPECT_EQ(sample.RefCount(), 0);
    BYTE *pointer = nullptr;
    ASSERT_EQ(sample.GetPointer(&pointer), S_OK);
    EXPECT_EQ(pointer, memory);
    REFERENCE_TIME start, stop;
    EXPECT_EQ(sample.GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    LONGLONG mediaStart, mediaStop;
    EXPECT_EQ(sample.GetMediaTime(&mediaStart, &mediaStop), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(properties().dwSampleFlags, 0u);
    EXPECT_EQ(sample.IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample.IsPreroll(), S_FALSE);
    EXPECT_EQ(sample.IsDiscontinuity(), S_FALSE);
}

TEST_F(MediaSampleTest, TimesFollowTheValidFlags)
{
    REFERENCE_TIME start = 500, stop = 900, gotStart = 0, gotStop = 0;
    ASSERT_EQ(sample.SetTime(&start, nullptr), S_OK);
    EXPECT_EQ(sample.GetTime(&gotStart, &gotStop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(gotStart, 500);
    EXPECT_EQ(gotStop, 501);
    ASSERT_EQ(sample.SetTime(&start, &stop), S_OK);
    EXPECT_EQ(sample.GetTime(&gotStart, &gotStop), S_OK);
    EXPECT_EQ(gotStop, 900);
    EXPECT_EQ(properties().dwSampleFlags, 0x110u);
    ASSERT_EQ(sample.SetTime(nullptr, &stop), S_OK);
    EXPECT_EQ(sample.GetTime(&gotStart, &gotStop), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(properties().dwSampleFlags, 0u);
}

TEST_F(MediaSampleTest, MediaTimesKeepOnlyTheLow32BitsOfTheirDifference)
{
    LONGLONG start = 1000, stop = 1000 + 3000000000LL, gotStart, gotStop;
    ASSERT_EQ(sample.SetMediaTime(&start, &stop), S_OK);
    ASSERT_EQ(sample.GetMediaTime(&gotStart, &gotStop), S_OK);
    EXPECT_EQ(gotStart, 1000);
    EXPECT_EQ(gotStop, 1000 - 1294967296LL);
    EXPECT_EQ(properties().dwSampleFlags & 0x20, 0u); // never reported

    stop = 1400;
    ASSERT_EQ(sample.SetMediaTime(&start, &stop), S_OK);
    ASSERT_EQ(sample.GetMediaTime(&gotStart, &gotStop), S_OK);
    EXPECT_EQ(gotStop, 1400);
    ASSERT_EQ(sample.SetMediaTime(nullptr, nullptr), S_OK);
    EXPECT_EQ(sample.GetMediaTime(&gotStart, &gotStop), VFW_E_MEDIA_TIME_NOT_SET);
}

TEST_F(MediaSampleTest, ActualLengthCannotPassTheBuffer)
{
    EXPECT_EQ(sample.SetActualDataLength(64), S_OK);
    EXPECT_EQ(sample.SetActualDataLength(65), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample.GetActualDataLength(), 64);
    EXPECT_EQ(sample.SetActualDataLength(10), S_OK);
    EXPECT_EQ(sample.GetActualDataLength(), 10);
}

TEST_F(MediaSampleTest, FlagSettersSetAndClearTheirBitOnly)
{
    struct Case {
        HRESULT (STDMETHODCALLTYPE CDsMediaSample::*set)(BOOL);
        HRESULT (STDMETHODCALLTYPE CDsMediaSample::*is)();
        DWORD bit;
    } cases[] = {
        {&CDsMediaSample::SetSyncPoint, &CDsMediaSample::IsSyncPoint, 0x1},
        {&CDsMediaSample::SetPreroll, &CDsMediaSample::IsPreroll, 0x2},
        {&CDsMediaSample::SetDiscontinuity, &CDsMediaSample::IsDiscontinuity, 0x4},
    };
    for (const Case &c : cases) {
        ASSERT_EQ((sample.*c.set)(TRUE), S_OK);
        EXPECT_EQ((sample.*c.is)(), S_OK);
        EXPECT_EQ(properties().dwSampleFlags, c.bit);
        ASSERT_EQ((sample.*c.set)(FALSE), S_OK);
        EXPECT_EQ((sample.*c.is)(), S_FALSE);
        EXPECT_EQ(properties().dwSampleFlags, 0u);
    }
}

TEST_F(MediaSampleTest, AttachedTypeIsACopyHandedOutAsACopy)
{
    AM_MEDIA_TYPE *got = reinterpret_cast<AM_MEDIA_TYPE *>(1);
    EXPECT_EQ(sample.GetMediaType(&got), S_FALSE);
    EXPECT_EQ(got, nullptr);

    CDsMediaType type = floatAudio(2, 44100);
    ASSERT_EQ(sample.SetMediaType(&type), S_OK);
    EXPECT_EQ(properties().dwSampleFlags, 0x8u);
    ASSERT_EQ(sample.GetMediaType(&got), S_OK);
    EXPECT_TRUE(sameType(*got, type));
    EXPECT_NE(got, properties().pMediaType);
    EXPECT_TRUE(sameType(*properties().pMediaType, type)); // the sample's own record
    DsDeleteMediaType(got);

    ASSERT_EQ(sample.SetMediaType(nullptr), S_OK);
    EXPECT_EQ(properties().dwSampleFlags, 0u);
    EXPECT_EQ(properties().pMediaType, nullptr);

    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    probe.failNext(1);
    EXPECT_EQ(sample.SetMediaType(&type), E_OUTOFMEMORY);
    EXPECT_EQ(properties().dwSampleFlags, 0u);
}

TEST_F(MediaSampleTest, GetPropertiesWritesOnlyThePrefixAsked)
{
    REFERENCE_TIME start = 7, stop = 9;
    sample.SetTime(&start, &stop);
    LONGLONG mediaStart = 1, mediaStop = 2;
    sample.SetMediaTime(&mediaStart, &mediaStop);
    sample.SetActualDataLength(33);

    BYTE bytes[80];
    std::memset(bytes, 0xEE, sizeof bytes);
    ASSERT_EQ(sample.GetProperties(10, bytes), S_OK);
    DWORD first;
    std::memcpy(&first, bytes, 4);
    EXPECT_EQ(first, 10u);
    EXPECT_EQ(bytes[10], 0xEE);

    std::memset(bytes, 0xEE, sizeof bytes);
    ASSERT_EQ(sample.GetProperties(80, bytes), S_OK);
    AM_SAMPLE2_PROPERTIES p;
    std::memcpy(&p, bytes, sizeof p);
    EXPECT_EQ(p.cbData, kRecordSize);
    EXPECT_EQ(p.dwSampleFlags, 0x110u); // media times are not reported
    EXPECT_EQ(p.lActual, 33);
    EXPECT_EQ(p.tStart, 7);
    EXPECT_EQ(p.tStop, 9);
    EXPECT_EQ(p.pbBuffer, memory);
    EXPECT_EQ(p.cbBuffer, 64);
    EXPECT_EQ(bytes[kRecordSize], 0xEE);

    EXPECT_EQ(sample.GetProperties(0, nullptr), S_OK);
    EXPECT_EQ(sample.GetProperties(4, nullptr), E_POINTER);
}

TEST_F(MediaSampleTest, SetPropertiesRefusesBadRecordsAndChangesNothing)
{
    CDsMediaType type = floatAudio(1, 48000);
    struct Case {
        const char *what;
        DWORD n;
        void (*edit)(AM_SAMPLE2_PROPERTIES &p, CDsMediaType *type);
        HRESULT answer;
    } cases[] = {
        {"flag 0x20", kFlagsEnd, [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.dwSampleFlags = 0x20; },
         E_INVALIDARG},
        {"flag 0x200", kFlagsEnd, [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.dwSampleFlags = 0x200; },
         E_INVALIDARG},
        {"start valid with no start and no stop in the record", kStartEnd,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.dwSampleFlags = 0x10; }, E_INVALIDARG},
        {"type changed with a null type", kTypeEnd,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) {
             p.dwSampleFlags = 0x8;
             p.pMediaType = nullptr;
         },
         E_POINTER},
        {"another buffer", kBufferEnd,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.pbBuffer = reinterpret_cast<BYTE *>(&p); },
         E_INVALIDARG},
        {"another buffer size", kRecordSize,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.cbBuffer = 32; }, E_INVALIDARG},
        {"a length above the buffer size", kRecordSize,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.lActual = 65; }, E_INVALIDARG},
        {"a length above the buffer, buffer size not given", kStopEnd,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.lActual = 65; }, E_INVALIDARG},
        {"a data size above the record", kRecordSize,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.cbData = kRecordSize + 1; }, E_INVALIDARG},
        {"a size below the data size field", 3,
         [](AM_SAMPLE2_PROPERTIES &p, CDsMediaType *) { p.dwSampleFlags = 0x200; }, S_OK},
    };
    for (const Case &c : cases) {
        const AM_SAMPLE2_PROPERTIES before = current();
        AM_SAMPLE2_PROPERTIES p = before;
        p.cbData = c.n;
        c.edit(p, &type);
        EXPECT_EQ(set(p, c.n), c.answer) << c.what;
        const AM_SAMPLE2_PROPERTIES after = current();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << c.what;
    }
}

TEST_F(MediaSampleTest, SetPropertiesTakesEachFieldWhoseEndTheSizeReaches)
{
    AM_SAMPLE2_PROPERTIES p = current();
    p.dwTypeSpecificFlags = 0x55;
    p.dwSampleFlags = 0x1 | 0x4;
    p.lActual = 40;
    p.tStart = 111;
    p.tStop = 222;
    p.dwStreamId = 3;

    // Up to the middle of the start time: flags and length, not the time.
    p.cbData = kStartEnd - 4;
    ASSERT_EQ(set(p, kStartEnd - 4), S_OK);
    AM_SAMPLE2_PROPERTIES got = current();
    EXPECT_EQ(got.dwTypeSpecificFlags, 0x55u);
    EXPECT_EQ(got.dwSampleFlags, 0x5u);
    EXPECT_EQ(got.lActual, 40);
    EXPECT_EQ(got.tStart, 0);

    // The whole record: times and stream id too.
    p.cbData = kRecordSize;
    p.dwSampleFlags = 0x1 | 0x10 | 0x100;
    ASSERT_EQ(set(p, kRecordSize), S_OK);
    got = current();
    EXPECT_EQ(got.tStart, 111);
    EXPECT_EQ(got.tStop, 222);
    EXPECT_EQ(got.dwStreamId, 3u);
    REFERENCE_TIME start, stop;
    EXPECT_EQ(sample.GetTime(&start, &stop), S_OK);

    // The record's own data size limits what is read.
    p.cbData = kStreamIdEnd - 4;
    p.dwStreamId = 9;
    ASSERT_EQ(set(p, kRecordSize), S_OK);
    EXPECT_EQ(current().dwStreamId, 3u);
}

TEST_F(MediaSampleTest, SetPropertiesKeepsTheTypeAndTheMediaTimes)
{
    LONGLONG mediaStart = 1, mediaStop = 2;
    sample.SetMediaTime(&mediaStart, &mediaStop);
    CDsMediaType type = floatAudio(2, 48000);
    sample.SetMediaType(&type);

    AM_SAMPLE2_PROPERTIES p = current();
    p.dwSampleFlags = 0x1; // no type-changed bit
    ASSERT_EQ(set(p, kFlagsEnd), S_OK);
    EXPECT_EQ(current().dwSampleFlags, 0x9u); // type-changed is set again: the type stays
    LONGLONG s, e;
    EXPECT_EQ(sample.GetMediaTime(&s, &e), S_OK);

    // A new type through the record is copied.
    CDsMediaType other = floatAudio(1, 22050);
    p = current();
    p.dwSampleFlags = 0x8;
    p.pMediaType = &other;
    ASSERT_EQ(set(p, kTypeEnd), S_OK);
    AM_MEDIA_TYPE *got = nullptr;
    ASSERT_EQ(sample.GetMediaType(&got), S_OK);
    EXPECT_TRUE(sameType(*got, other));
    EXPECT_NE(current().pMediaType, &other);
    DsDeleteMediaType(got);
}

TEST_F(MediaSampleTest, LastReleaseCleansTheSampleAndGivesItBack)
{
    ALLOCATOR_PROPERTIES props = {1, 16, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(&props, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *lent = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&lent, nullptr, nullptr, 0), S_OK);
    CDsMediaType type = floatAudio(2, 44100);
    lent->SetMediaType(&type);
    lent->SetSyncPoint(TRUE);
    IMediaSample2 *two = nullptr;
    ASSERT_EQ(lent->QueryInterface(IID_IMediaSample2, reinterpret_cast<void **>(&two)), S_OK);
    AM_SAMPLE2_PROPERTIES p = {};
    two->GetProperties(sizeof p, reinterpret_cast<BYTE *>(&p));
    p.dwStreamId = 5;
    ASSERT_EQ(two->SetProperties(kStreamIdEnd, reinterpret_cast<BYTE *>(&p)), S_OK);
    EXPECT_EQ(two->Release(), 1u);

    TaskMemoryProbe probe;
    ASSERT_TRUE(probe.active());
    EXPECT_EQ(lent->Release(), 0u);
    EXPECT_EQ(probe.frees(), 2); // the attached type and its format block
    ASSERT_EQ(allocator->returned.size(), 1u);
    EXPECT_EQ(allocator->returned[0], lent);

    // The same sample is lent again, clean.
    IMediaSample *again = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&again, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(again, lent);
    ASSERT_EQ(again->QueryInterface(IID_IMediaSample2, reinterpret_cast<void **>(&two)), S_OK);
    two->GetProperties(sizeof p, reinterpret_cast<BYTE *>(&p));
    EXPECT_EQ(p.dwSampleFlags, 0u);
    EXPECT_EQ(p.dwStreamId, 0u);
    EXPECT_EQ(p.pMediaType, nullptr);
    two->Release();
    again->Release();
    allocator->Decommit();
}

TEST_F(MediaSampleTest, AnswersTheSampleInterfacesOnly)
{
    ALLOCATOR_PROPERTIES props = {1, 16, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(&props, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *lent = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&lent, nullptr, nullptr, 0), S_OK);
    for (REFIID iid : {IID_IMediaSample, IID_IMediaSample2, IID_IUnknown}) {
        void *out = nullptr;
        ASSERT_EQ(lent->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IMediaSample2 *>(static_cast<CDsMediaSample *>(lent)));
        EXPECT_EQ(static_cast<IUnknown *>(out)->Release(), 1u);
    }
    void *none = &none;
    EXPECT_EQ(lent->QueryInterface(IID_IMemAllocator, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(lent->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_TRUE(allocator->returned.empty());
    lent->Release();
    allocator->Decommit();
}

} // namespace
