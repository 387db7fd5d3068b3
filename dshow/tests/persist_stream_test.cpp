#include "dshow/ds_persist_stream.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>

namespace {

using namespace ds_test;

// An object that persists one number behind the version header.
class Persisted : public CDsPersistStream {
public:
    Persisted() : CDsPersistStream(nullptr, nullptr) {}
    int value = 0;
    DWORD version = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) override
    {
        *id = kSinkClass;
        return S_OK;
    }
    DWORD GetSoftwareVersion() override { return version; }
    int SizeMax() override { return kIntBytes; }
    HRESULT WriteToStream(IStream *stream) override { return WriteInt(stream, value); }
    HRESULT ReadFromStream(IStream *stream) override { return ReadInt(stream, &value); }
};

// A memory stream holding the given wide text.
IStream *streamOf(const std::wstring &text)
{
    IStream *stream = SHCreateMemStream(reinterpret_cast<const BYTE *>(text.data()),
                                        static_cast<UINT>(text.size() * sizeof(WCHAR)));
    return stream;
}

std::wstring textOf(IStream *stream)
{
    STATSTG stat;
    stream->Stat(&stat, STATFLAG_NONAME);
    std::wstring text(stat.cbSize.QuadPart / sizeof(WCHAR), L'\0');
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(text.data(), static_cast<ULONG>(text.size() * sizeof(WCHAR)), &read);
    return text;
}

class PersistStreamTest : public ::testing::Test {
protected:
    ComScope com;
};

TEST_F(PersistStreamTest, SaveWritesTheVersionThenTheData)
{
    Persisted object;
    object.version = 3;
    object.value = -42;
    object.SetDirty(TRUE);
    ComRef<IStream> stream(SHCreateMemStream(nullptr, 0));
    ASSERT_EQ(object.Save(stream.get(), FALSE), S_OK);
    EXPECT_EQ(object.IsDirty(), S_OK);
    EXPECT_EQ(textOf(stream.get()), L"00000000003 -0000000042 ");
    ASSERT_EQ(object.Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(object.IsDirty(), S_FALSE);

    ULARGE_INTEGER size;
    ASSERT_EQ(object.GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 48u);
}

TEST_F(PersistStreamTest, LoadReadsTheVersionAndTheData)
{
    Persisted object;
    object.SetDirty(TRUE);
    ComRef<IStream> stream(streamOf(L"00000000007 00000001234 "));
    ASSERT_EQ(object.Load(stream.get()), S_OK);
    EXPECT_EQ(object.FileVersion(), 7u);
    EXPECT_EQ(object.value, 1234);
    EXPECT_EQ(object.IsDirty(), S_FALSE);
}

TEST_F(PersistStreamTest, ReadsNumbersWithSignsAndEndingsAsWritten)
{
    struct Case {
        std::wstring text;
        HRESULT answer;
        int value;
    } cases[] = {
        {L"00000000042 ", S_OK, 42},
        {L"-0000000042 ", S_OK, -42},
        {L"-2147483648 ", S_OK, -2147483647 - 1},
        {L"02147483647 ", S_OK, 2147483647},
        {L"42\t         ", S_OK, 42},
        {L"42\r         ", S_OK, 42},
        {L"42\n         ", S_OK, 42},
        {std::wstring(L"42") + L'\0' + L"         ", S_OK, 42},
        {L"            ", S_OK, 0}, // a blank where the first digit should be
        {L"-           ", S_OK, 0},
        {L"0000000004x ", VFW_E_INVALID_FILE_FORMAT, 0},
        {L"+0000000042 ", VFW_E_INVALID_FILE_FORMAT, 0},
        {L"000000000042", VFW_E_INVALID_FILE_FORMAT, 0}, // no end inside the 12 characters
        {L"02147483648 ", VFW_E_INVALID_FILE_FORMAT, 0}, // beyond 32 bits
        {L"00000000042", VFW_E_INVALID_FILE_FORMAT, 0},  // the stream ends early
    };
    for (const Case &c : cases) {
        ComRef<IStream> stream(streamOf(c.text));
        int value = -1;
        EXPECT_EQ(CDsPersistStream::ReadInt(stream.get(), &value), c.answer)
            << std::string(c.text.begin(), c.text.end());
        if (c.answer == S_OK) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST_F(PersistStreamTest, WrittenNumbersReadBack)
{
    for (int n : {0, 1, -1, 99999999, -2147483647 - 1, 2147483647}) {
        ComRef<IStream> stream(SHCreateMemStream(nullptr, 0));
        ASSERT_EQ(CDsPersistStream::WriteInt(stream.get(), n), S_OK);
        LARGE_INTEGER zero = {};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        int back = 0;
        ASSERT_EQ(CDsPersistStream::ReadInt(stream.get(), &back), S_OK);
        EXPECT_EQ(back, n);
    }
}

TEST_F(PersistStreamTest, DefaultsOfTheBase)
{
    class Bare : public CDsPersistStream {
    public:
        Bare() : CDsPersistStream(nullptr, nullptr) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE GetClassID(CLSID *) override { return E_NOTIMPL; }
    } bare;
    EXPECT_EQ(bare.IsDirty(), S_FALSE);
    EXPECT_EQ(bare.FileVersion(), 0u);
    ULARGE_INTEGER size;
    ASSERT_EQ(bare.GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 24u);
    ComRef<IStream> stream(SHCreateMemStream(nullptr, 0));
    ASSERT_EQ(bare.Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(textOf(stream.get()), L"00000000000 ");
    EXPECT_EQ(bare.Load(nullptr), E_POINTER);
}

} // namespace
