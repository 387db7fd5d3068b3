#include "base/registry.h"
#include "base/simple_stream.h"
#include "base/string_stream.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

using namespace Quorvane;
using testing_support::RegistrySandbox;
using testing_support::TempFolder;

// One kind of byte device: write a stream, then read back what was written.
class Device {
public:
    virtual ~Device() = default;
    virtual OutputStream &writer() = 0;
    // Ends writing and opens a reader over the written bytes.
    virtual InputStream &reader() = 0;
    // A reader over exactly these bytes.
    virtual InputStream &readerOver(const std::string &bytes) = 0;
};

class FileDevice : public Device {
public:
    OutputStream &writer() override
    {
        file_.open(path_.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        return stream_;
    }
    InputStream &reader() override
    {
        file_.open(path_.c_str(), GENERIC_READ, OPEN_EXISTING);
        return stream_;
    }
    InputStream &readerOver(const std::string &bytes) override
    {
        testing_support::writeFile(path_, bytes);
        return reader();
    }

private:
    TempFolder folder_;
    std::string path_ = folder_.file("stream.bin");
    File file_;
    FileStream stream_{&file_};
};

class MemoryDevice : public Device {
public:
    OutputStream &writer() override { return out_; }
    InputStream &reader() override { return in_; }
    InputStream &readerOver(const std::string &bytes) override
    {
        bytes_ = bytes;
        return in_;
    }

private:
    std::string bytes_;
    stringStream out_{bytes_};
    stringStream in_{bytes_};
};

class ComDevice : public Device {
public:
    ComDevice() : stream_(newStream()), typed_(stream_) {}
    ~ComDevice() override { stream_->Release(); }
    OutputStream &writer() override { return typed_; }
    InputStream &reader() override
    {
        LARGE_INTEGER start{};
        stream_->Seek(start, STREAM_SEEK_SET, nullptr);
        return typed_;
    }
    InputStream &readerOver(const std::string &bytes) override
    {
        ULONG done = 0;
        stream_->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &done);
        return reader();
    }

private:
    static IStream *newStream()
    {
        IStream *stream = nullptr;
        CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        return stream;
    }
    IStream *stream_;
    ComStream typed_;
};

class RegistryDevice : public Device {
public:
    OutputStream &writer() override
    {
        stream_ = std::make_unique<RegistryStream>(sandbox_.underSoftware().c_str(), "Blob");
        return *stream_;
    }
    InputStream &reader() override
    {
        stream_.reset(); // the value is written when the stream goes
        stream_ = std::make_unique<RegistryStream>(sandbox_.underSoftware().c_str(), "Blob");
        return *stream_;
    }
    InputStream &readerOver(const std::string &bytes) override
    {
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, sandbox_.path().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, "Blob", 0, REG_BINARY, reinterpret_cast<const BYTE *>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        stream_ = std::make_unique<RegistryStream>(sandbox_.underSoftware().c_str(), "Blob");
        return *stream_;
    }

private:
    RegistrySandbox sandbox_;
    std::unique_ptr<RegistryStream> stream_;
};

struct DeviceKind {
    const char *name;
    std::function<std::unique_ptr<Device>()> make;
};

class EveryStream : public ::testing::TestWithParam<DeviceKind> {
protected:
    void SetUp() override { device = GetParam().make(); }
    std::unique_ptr<Device> device;
};

TEST_P(EveryStream, NumbersRoundTripAtTheirExactWidth)
{
    OutputStream &out = device->writer();
    ASSERT_TRUE(out.writeInt8(-5));
    ASSERT_TRUE(out.writeUInt8(250));
    ASSERT_TRUE(out.writeInt16(-12345));
    ASSERT_TRUE(out.writeUInt16(54321));
    ASSERT_TRUE(out.writeInt32(-123456789));
    ASSERT_TRUE(out.writeUInt32(0xDEADBEEF));
    ASSERT_TRUE(out.writeInt64(-1234567890123456789LL));
    ASSERT_TRUE(out.writeUInt64(0xFEDCBA9876543210ULL));
    ASSERT_TRUE(out.writeFloat(1.5f));
    ASSERT_TRUE(out.writeDouble(-2.25e300));

    InputStream &in = device->reader();
    EXPECT_EQ(in.readInt8(), -5);
    EXPECT_EQ(in.readUInt8(), 250);
    EXPECT_EQ(in.readInt16(), -12345);
    EXPECT_EQ(in.readUInt16(), 54321);
    EXPECT_EQ(in.readInt32(), -123456789);
    EXPECT_EQ(in.readUInt32(), 0xDEADBEEFu);
    EXPECT_EQ(in.readInt64(), -1234567890123456789LL);
    EXPECT_EQ(in.readUInt64(), 0xFEDCBA9876543210ULL);
    EXPECT_EQ(in.readFloat(), 1.5f);
    EXPECT_EQ(in.readDouble(), -2.25e300);
    int32_t past = 99;
    EXPECT_FALSE(in.read(past)) << "nothing is left";
    EXPECT_EQ(in.readInt32(), 0);
}

TEST_P(EveryStream, StringsAndBlobsRoundTrip)
{
    std::string blob(300, '\0');
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<char>(i * 7);
    const std::string longText(70000, 'x');

    OutputStream &out = device->writer();
    ASSERT_TRUE(out.writeString("Groove"));
    ASSERT_TRUE(out.writeString(""));
    ASSERT_TRUE(out.writeString(longText));
    ASSERT_EQ(out.writeBlocks(blob.data(), 3, 100), 300u);
    ASSERT_TRUE(out.writeString(std::string("cut\0here", 8)));

    InputStream &in = device->reader();
    EXPECT_EQ(in.readString(), "Groove");
    std::string empty = "old";
    EXPECT_TRUE(in.read(empty));
    EXPECT_EQ(empty, "");
    EXPECT_EQ(in.readString(), longText);
    std::string back(300, '\0');
    EXPECT_EQ(in.readBlocks(back.data(), 3, 100), 300u) << "bytes, not blocks";
    EXPECT_EQ(back, blob);
    EXPECT_EQ(in.readString(), "cut") << "text ends at the first zero byte";
}

TEST_P(EveryStream, StringFormatIsLengthThenBytes)
{
    InputStream &in = device->readerOver(std::string("\x03\x00\x00\x00"
                                                     "abc"
                                                     "\x00\x00\x00\x00",
                                                     11));
    EXPECT_EQ(in.readString(), "abc");
    std::string s = "keep";
    EXPECT_TRUE(in.read(s));
    EXPECT_EQ(s, "");
}

TEST_P(EveryStream, DamagedStringLengthsFailAndKeepTheTarget)
{
    struct Case {
        const char *name;
        std::string bytes;
    };
    const Case cases[] = {
        {"negative length", std::string("\xFF\xFF\xFF\xFF"
                                        "abcd",
                                        8)},
        {"length beyond the data", std::string("\x10\x00\x00\x00"
                                               "abcd",
                                               8)},
        {"huge length", std::string("\xFF\xFF\xFF\x7F"
                                    "abcd",
                                    8)},
    };
    for (const Case &c : cases) {
        SetUp();
        std::string target = "previous";
        EXPECT_FALSE(device->readerOver(c.bytes).read(target)) << c.name;
        EXPECT_EQ(target, "previous") << c.name;
    }
}

TEST_P(EveryStream, ShortReadsFail)
{
    InputStream &in = device->readerOver(std::string("\x01\x02\x03", 3));
    uint32_t value = 7;
    EXPECT_FALSE(in.read(value));
    EXPECT_EQ(value, 7u) << "a failed read leaves the variable";
}

TEST_P(EveryStream, StringAtTheEndReadsAsEmpty)
{
    // Older saved states end where a string would follow; they still load.
    InputStream &in = device->readerOver(std::string("\x01", 1));
    EXPECT_EQ(in.readUInt8(), 1);
    std::string s = "x";
    EXPECT_TRUE(in.read(s));
    EXPECT_EQ(s, "");
}

INSTANTIATE_TEST_SUITE_P(
    Devices, EveryStream,
    ::testing::Values(DeviceKind{"File", [] { return std::unique_ptr<Device>(new FileDevice); }},
                      DeviceKind{"Memory", [] { return std::unique_ptr<Device>(new MemoryDevice); }},
                      DeviceKind{"ComStream", [] { return std::unique_ptr<Device>(new ComDevice); }},
                      DeviceKind{"Registry", [] { return std::unique_ptr<Device>(new RegistryDevice); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StringStream, WritingCutsAtThePosition)
{
    std::string bytes = "0123456789";
    stringStream s(bytes);
    s.setPosition(4);
    EXPECT_EQ(s.writeBytes("ab", 2), 2u);
    EXPECT_EQ(bytes, "0123ab");
    EXPECT_EQ(s.position(), 6u);
}

TEST(StringStream, ReadPastTheEndGivesNothing)
{
    std::string bytes = "abc";
    stringStream s(bytes);
    char buffer[8];
    EXPECT_EQ(s.readBytes(buffer, 8), 3u);
    EXPECT_EQ(s.readBytes(buffer, 8), 0u);
    EXPECT_FALSE(s.atEnd());
}

TEST(StringStream, EmptyStringIsFourZeroBytes)
{
    std::string bytes;
    stringStream s(bytes);
    s.writeString("");
    EXPECT_EQ(bytes, std::string(4, '\0'));
}

TEST(CountingStream, CountsWhatASaveWouldWrite)
{
    CountingStream counter;
    counter.writeInt32(1);
    counter.writeString("abc");
    EXPECT_EQ(counter.count(), 11u);
}

TEST(FileDevice, UnopenedFileIsAnEmptyDevice)
{
    TempFolder folder;
    File file(folder.file("missing\\nowhere.bin").c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_FALSE(file.isOpen());
    FileStream stream(&file);
    char byte = 0;
    EXPECT_EQ(stream.readBytes(&byte, 1), 0u);
    EXPECT_EQ(stream.writeBytes(&byte, 1), 0u);
    EXPECT_EQ(file.getSize(), 0u);
    EXPECT_FALSE(file.setEnd());
    EXPECT_EQ(stream.readInt32(), 0);
}

TEST(FileDevice, SizeSeekAndTruncate)
{
    TempFolder folder;
    File file(folder.file("f.bin").c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.write("abcdef", 6), 6u);
    EXPECT_EQ(file.getSize(), 6u);
    EXPECT_EQ(file.seek(2, FILE_BEGIN), 2u);
    EXPECT_TRUE(file.setEnd());
    EXPECT_EQ(file.getSize(), 2u);
}

TEST(ComStreamDevice, FailingComCallsMoveNothing)
{
    // A read-only stream over a file refuses writes; that is reported.
    TempFolder folder;
    const std::string path = folder.file("ro.bin");
    ASSERT_TRUE(testing_support::writeFile(path, "data"));
    IStream *stream = nullptr;
    std::wstring wide(path.begin(), path.end());
    ASSERT_EQ(SHCreateStreamOnFileEx(wide.c_str(), STGM_READ, FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream),
              S_OK);
    ComStream typed(stream);
    EXPECT_EQ(typed.writeBytes("xy", 2), 0u);
    EXPECT_EQ(typed.readUInt32(), 0x61746164u);
    stream->Release();
}

// A stream whose calls fail yet claim to have moved everything.
class FailingStream : public IStream {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void *, ULONG count, ULONG *done) override
    {
        *done = count;
        return STG_E_READFAULT;
    }
    HRESULT STDMETHODCALLTYPE Write(const void *, ULONG count, ULONG *done) override
    {
        *done = count;
        return STG_E_WRITEFAULT;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream *, ULARGE_INTEGER, ULARGE_INTEGER *, ULARGE_INTEGER *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG *, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream **) override { return E_NOTIMPL; }
};

TEST(ComStreamDevice, AFailedCallMovedNothingWhateverItClaims)
{
    FailingStream failing;
    ComStream typed(&failing);
    char bytes[4] = {};
    EXPECT_EQ(typed.readBytes(bytes, 4), 0u);
    EXPECT_EQ(typed.writeBytes(bytes, 4), 0u);
    int32_t value = 7;
    EXPECT_FALSE(typed.read(value));
}

} // namespace
