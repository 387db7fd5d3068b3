#include "data/io_params.h"
#include "data/stream_buffer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

// An allocator that can be told to refuse, and that counts its references.
struct TestAllocator : StreamAllocator {
    void *reallocate(void *pointer, uint32_t size) override
    {
        return refuse ? nullptr : StreamAllocator::reallocate(pointer, size);
    }
    bool refuse = false;
};

int codeOf(void (*action)(StreamBuffer *), StreamBuffer *buffer)
{
    try {
        action(buffer);
    } catch (const StreamBufferException &e) {
        EXPECT_EQ(e.buffer, buffer);
        EXPECT_STREQ(e.what(), "Quorvane::Exception");
        return e.code;
    }
    return -1;
}

TEST(StreamBuffer, GrowsExactlyToWhatIsWrittenAndThrowsOnReadingPastTheEnd)
{
    StreamBuffer *b = new StreamBuffer(new StreamAllocator);
    EXPECT_EQ(b->write("abc", 3), 3u);
    EXPECT_EQ(b->write("defgh", 5), 5u);
    EXPECT_EQ(b->getSize(), 8u);
    EXPECT_EQ(b->getPosition(), 8u);
    EXPECT_EQ(b->seek(0, Seekable::FROM_START), 0u);
    EXPECT_EQ(codeOf(
                  [](StreamBuffer *s) {
                      char out[9];
                      s->read(out, 9);
                  },
                  b),
              2);
    EXPECT_EQ(b->getPosition(), 0u); // nothing was read
    char out[8];
    EXPECT_EQ(b->read(out, 8), 8u);
    EXPECT_EQ(std::string(out, 8), "abcdefgh");
    EXPECT_EQ(b->read(nullptr, 3), 0u);
    EXPECT_EQ(b->write("x", 0), 0u);
    b->release();
}

TEST(StreamBuffer, SeekFitAndResize)
{
    StreamBuffer *b = new StreamBuffer(new StreamAllocator);
    b->write("12345678", 8);
    EXPECT_EQ(b->seek(4, Seekable::FROM_END), 12u); // grows
    EXPECT_EQ(b->getSize(), 12u);
    EXPECT_EQ(b->seek(-7, Seekable::FROM_CURRENT), 5u);
    EXPECT_EQ(b->fit(), 5u);
    EXPECT_EQ(b->getSize(), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(b->getBuffer()), 5), "12345");
    EXPECT_EQ(b->seek(-9, Seekable::FROM_START), 0u);
    b->resize(2);
    EXPECT_EQ(b->getSize(), 2u);
    b->release();
}

TEST(StreamBuffer, WithoutAnAllocatorItCannotGrow)
{
    char memory[4] = {'w', 'x', 'y', 'z'};
    StreamBuffer *b = new StreamBuffer(nullptr, false, memory, 4);
    EXPECT_EQ(b->seek(10, Seekable::FROM_START), 4u); // cut to the size
    b->seek(2, Seekable::FROM_START);
    EXPECT_EQ(b->write("ab", 2), 2u); // fits
    EXPECT_EQ(codeOf([](StreamBuffer *s) { s->write("c", 1); }, b), 0);
    EXPECT_EQ(codeOf([](StreamBuffer *s) { s->resize(1); }, b), 0);
    EXPECT_EQ(std::string(memory, 4), "wxab");
    b->release(); // the memory is not the buffer's
}

TEST(StreamBuffer, AFailingAllocatorThrowsWhenGrowing)
{
    auto *allocator = new TestAllocator;
    StreamBuffer *b = new StreamBuffer(allocator);
    b->write("abcd", 4);
    allocator->refuse = true;
    EXPECT_EQ(codeOf([](StreamBuffer *s) { s->write("e", 1); }, b), 1);
    EXPECT_EQ(b->getSize(), 4u);
    b->release();
}

// Grows into address space it reserves but never commits, so a buffer of
// nearly 4 GiB costs nothing (and a write into it would fault); it keeps
// every size it was asked for.
struct ReservingAllocator : StreamAllocator {
    ReservingAllocator() { region = VirtualAlloc(nullptr, 1ull << 32, MEM_RESERVE, PAGE_NOACCESS); }
    void *reallocate(void *, uint32_t size) override
    {
        asked.push_back(size);
        return region;
    }
    void free(void *) override {}
    void *region;
    std::vector<uint32_t> asked;
};

// Position and length add up beyond 32 bits: the write must not wrap into a
// small size (and then copy far past it); it throws as a buffer that
// cannot grow, and the buffer stays as it was.
TEST(StreamBuffer, AWriteEndingBeyondFourGigabytesThrowsInsteadOfWrapping)
{
    auto *allocator = new ReservingAllocator;
    ASSERT_NE(allocator->region, nullptr);
    void *region = allocator->region;
    allocator->addRef();
    StreamBuffer *b = new StreamBuffer(allocator);
    b->seek(0x7FFFFFFF, Seekable::FROM_START);
    const uint32_t end = b->seek(0x7FFFFFF0, Seekable::FROM_CURRENT);
    ASSERT_EQ(end, 0xFFFFFFEFu);
    ASSERT_EQ(b->getSize(), end);
    const size_t grown = allocator->asked.size();
    EXPECT_EQ(codeOf(
                  [](StreamBuffer *s) {
                      char bytes[32] = {};
                      s->write(bytes, sizeof bytes);
                  },
                  b),
              1);
    EXPECT_EQ(allocator->asked.size(), grown) << "asked for " << allocator->asked.back() << " bytes";
    EXPECT_EQ(b->getSize(), end);
    EXPECT_EQ(b->getPosition(), end);
    b->release();
    allocator->release();
    VirtualFree(region, 0, MEM_RELEASE);
}

TEST(StreamBuffer, DetachHandsTheAllocatorOnOnlyWhenKept)
{
    auto *kept = new StreamAllocator;
    StreamBuffer *b = new StreamBuffer(kept, true);
    b->write("data", 4);
    uint8_t *bytes = nullptr;
    uint32_t size = 0;
    StreamAllocator *back = b->detach(&bytes, &size);
    EXPECT_EQ(back, kept);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(bytes), 4), "data");
    EXPECT_EQ(b->getSize(), 0u);
    b->release();
    EXPECT_EQ(back->addRef(), 2); // the caller's reference is still there
    back->release();
    back->free(bytes);
    back->release();

    auto *dropped = new StreamAllocator;
    dropped->addRef(); // ours, to look at the count afterwards
    StreamBuffer *c = new StreamBuffer(dropped);
    c->write("z", 1);
    EXPECT_EQ(c->detach(&bytes, &size), dropped);
    EXPECT_EQ(dropped->addRef(), 2); // only ours is left
    dropped->free(bytes);
    dropped->release();
    dropped->release();
    c->release();
}

TEST(BufferStream, TypedValuesRoundTripAndFailuresAreQuiet)
{
    StreamBuffer *b = new StreamBuffer(new StreamAllocator);
    {
        BufferStream out(b);
        EXPECT_TRUE(out.write(int32_t(-5)));
        EXPECT_TRUE(out.write(std::string("kick")));
        EXPECT_TRUE(out.write(2.5f));
        EXPECT_TRUE(out.writeDouble(0.125));
        EXPECT_TRUE(out.writeUInt16(0xBEEF));
        EXPECT_EQ(out.tell(), 4u + 8u + 4u + 8u + 2u);
        EXPECT_TRUE(out.atEnd());
    }
    EXPECT_EQ(std::string(reinterpret_cast<char *>(b->getBuffer()), 8),
              std::string("\xFB\xFF\xFF\xFF\x04\0\0\0", 8));
    BufferStream in(b);
    EXPECT_EQ(in.seek(0, Seekable::FROM_START), 0u);
    EXPECT_EQ(in.readInt32(), -5);
    EXPECT_EQ(in.readString(), "kick");
    EXPECT_TRUE(in.skip(4));
    EXPECT_EQ(in.readDouble(), 0.125);
    EXPECT_FALSE(in.atEnd());
    uint32_t wide = 7;
    EXPECT_FALSE(in.read(wide)); // only 2 bytes left: nothing read
    EXPECT_EQ(wide, 7u);
    EXPECT_EQ(in.readUInt16(), 0xBEEF);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.readInt32(), 0);
    EXPECT_EQ(in.length(), 26u);
    b->release();
}

TEST(BufferStream, AStreamOverFixedMemoryCannotWritePastIt)
{
    char memory[2] = {1, 2};
    StreamBuffer *b = new StreamBuffer(nullptr, false, memory, 2);
    BufferStream s(b);
    b->release(); // the stream holds its own reference
    EXPECT_EQ(s.writeBytes("abc", 3), 0u);
    EXPECT_EQ(s.readUInt16(), 0x0201);
    EXPECT_FALSE(s.skip(1));
}

int writeState(Seekable::OutputStream *out, void *user)
{
    return out->write(std::string(static_cast<const char *>(user))) ? 1 : 0;
}

int failState(Seekable::OutputStream *, void *)
{
    return 0;
}

TEST(WriteParamsBlock, CopiesWhatWasWrittenIntoTheDescriptor)
{
    PORTDESCR d(PORT_BY_NAME);
    d.SetParams("old", 3);
    ASSERT_EQ(WriteParamsBlock(&d, writeState, const_cast<char *>("state")), 1);
    ASSERT_EQ(d.paramsSize, 9);
    EXPECT_EQ(std::string(static_cast<char *>(d.params), 9), std::string("\x05\0\0\0state", 9));
    EXPECT_EQ(WriteParamsBlock(&d, failState, nullptr), 0);
    EXPECT_EQ(d.params, nullptr);
    EXPECT_EQ(d.paramsSize, 0);
    EXPECT_EQ(WriteParamsBlock(nullptr, writeState, nullptr), 0);
}

} // namespace
