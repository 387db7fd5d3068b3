#include "plugin/framework/midi/smf_chunks.h"
#include "plugin/framework/midi/smf_codec.h"

#include "base/string_stream.h"
#include "testing/sandbox.h"

#include "plugin/framework/midi/tests/midi_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace Quorvane;
using namespace midi_test;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string header(uint16_t format, uint16_t tracks, uint16_t division, uint32_t length = 6)
{
    return "MThd" + be32(length) + be16(format) + be16(tracks) + be16(division);
}

std::string track(const std::string &body)
{
    return "MTrk" + be32(static_cast<uint32_t>(body.size())) + body;
}

const std::string EndOfTrack("\x00\xFF\x2F\x00", 4);
const std::string NoteTrack = track(std::string("\x00\x99\x24\x64\x60\x24\x00", 7) + EndOfTrack);
const std::string TempoTrack = track(std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7) + EndOfTrack);

int readFrom(std::string bytes, SmfChunkList &list)
{
    stringStream in(bytes);
    return readSmfChunks(list, in);
}

TEST(SmfChunks, ReadsAndWritesTheSameBytes)
{
    const std::string file = header(1, 2, 480) + TempoTrack + NoteTrack;
    SmfChunkList list;
    ASSERT_EQ(readFrom(file, list), SmfOk);
    EXPECT_EQ(list.format, 1);
    EXPECT_EQ(list.trackCount, 2);
    EXPECT_EQ(list.division, 480);
    EXPECT_EQ(countSmfChunks(list), 2);
    EXPECT_EQ(lastSmfChunk(list)->length, 11u);

    std::string out;
    stringStream stream(out);
    ASSERT_EQ(writeSmfChunks(list, stream), SmfOk);
    EXPECT_EQ(out, file);

    EXPECT_EQ(freeSmfChunks(list), SmfOk);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(lastSmfChunk(list), nullptr);
}

TEST(SmfChunks, LargeChunksAreReadWhole)
{
    std::string body;
    for (int i = 0; i < 10000; ++i)
        body += std::string("\x00\xB0\x01", 3) + char(i % 128);
    const std::string file = header(0, 1, 96) + track(body + EndOfTrack);
    SmfChunkList list;
    ASSERT_EQ(readFrom(file, list), SmfOk);
    EXPECT_EQ(list.first->length, body.size() + 4);
    EXPECT_EQ(list.first->capacity, list.first->length) << "the buffer holds what the file holds";
    EXPECT_EQ(std::string(reinterpret_cast<char *>(list.first->data), body.size()), body);
}

TEST(SmfChunks, ChunksOfOtherTypesAreSkipped)
{
    const std::string file = header(1, 2, 96) + "XFIH" + be32(5) + "hello" + TempoTrack + "MTrx" + be32(0) +
                             NoteTrack + "Junk" + be32(3) + "abc";
    SmfChunkList list;
    ASSERT_EQ(readFrom(file, list), SmfOk);
    ASSERT_EQ(countSmfChunks(list), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(list.first->data), list.first->length),
              TempoTrack.substr(8));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(list.first->next->data), list.first->next->length),
              NoteTrack.substr(8));
}

TEST(SmfChunks, NoTracksIsAnEmptyList)
{
    SmfChunkList list;
    EXPECT_EQ(readFrom(header(0, 0, 96), list), SmfOk);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(findNoteChunk(list), nullptr);
}

TEST(SmfChunks, MalformedFilesAreRefused)
{
    const std::string notes = std::string("\x00\x99\x24\x64", 4);
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"wrong magic", "MThx" + be32(6) + be16(0) + be16(1) + be16(96) + NoteTrack},
        {"header length 7 even with valid bytes after",
         header(0, 1, 96, 7) + std::string(1, '\0') + NoteTrack},
        {"truncated header", header(0, 1, 96).substr(0, 11)},
        {"division 0", header(0, 1, 0) + NoteTrack},
        {"SMPTE division", header(0, 1, 0xE728) + NoteTrack},
        {"format 3", header(3, 1, 96) + NoteTrack},
        {"an unknown chunk in place of the track", header(0, 1, 96) + "MTrx" + NoteTrack.substr(4)},
        {"unknown chunk longer than the file", header(0, 1, 96) + "Junk" + be32(0x7FFFFFFF) + NoteTrack},
        {"unknown chunk cut in its header", header(0, 1, 96) + NoteTrack.substr(0, 6)},
        {"truncated chunk", header(0, 1, 96) + NoteTrack.substr(0, NoteTrack.size() - 3)},
        {"truncated chunk header", header(0, 1, 96) + "MTrk" + std::string(2, '\0')},
        {"huge chunk length", header(0, 1, 96) + "MTrk" + be32(0xFFFFFFF0) + notes + EndOfTrack},
        {"fewer chunks than counted", header(1, 3, 96) + TempoTrack + NoteTrack},
        {"huge track count", header(1, 65535, 96) + NoteTrack},
        {"missing end of track", header(0, 1, 96) + track(notes)},
        {"missing running status", header(0, 1, 96) + track(std::string("\x00\x24\x64", 3) + EndOfTrack)},
        {"huge meta length",
         header(0, 1, 96) + track(std::string("\x00\xFF\x01\x8F\xFF\xFF\x7F", 7) + EndOfTrack)},
        {"meta past the chunk", header(0, 1, 96) + track(std::string("\x00\xFF\x01\x10xy", 6) + EndOfTrack)},
        {"end of track one byte past the chunk",
         header(0, 1, 96) + track(std::string("\x00\xFF\x2F\x01", 4))},
        {"sysex one byte past the chunk",
         header(0, 1, 96) + track(std::string("\x00\xF0\x05", 3) + EndOfTrack)},
        {"huge sysex length",
         header(0, 1, 96) + track(std::string("\x00\xF0\x8F\xFF\xFF\x7F", 6) + EndOfTrack)},
        {"five-byte delta",
         header(0, 1, 96) + track(std::string("\x81\x80\x80\x80\x00", 5) + notes + EndOfTrack)},
        {"delta at the chunk end", header(0, 1, 96) + track(notes + "\x81")},
    };
    for (const auto &c : cases) {
        SmfChunkList list;
        EXPECT_EQ(readFrom(c.bytes, list), SmfMalformed) << c.what;
        EXPECT_LE(countSmfChunks(list), 3) << c.what;
        for (const SmfChunk *chunk = list.first; chunk != nullptr; chunk = chunk->next)
            EXPECT_LE(chunk->capacity, c.bytes.size()) << c.what << ": allocation beyond the file";
    }
}

TEST(SmfChunks, FindNoteChunkTakesTheLastTrackWithNotes)
{
    const std::string controllerOnly = track(std::string("\x00\xB0\x07\x64", 4) + EndOfTrack);
    struct {
        const char *what;
        std::string file;
        int expected; // index of the chunk
    } cases[] = {
        {"tempo track only", header(1, 1, 96) + TempoTrack, 0},
        {"notes in the first track only", header(1, 2, 96) + NoteTrack + controllerOnly, 0},
        {"notes in the second", header(1, 3, 96) + TempoTrack + NoteTrack + controllerOnly, 1},
        {"notes in the second and third", header(1, 3, 96) + TempoTrack + NoteTrack + NoteTrack, 2},
    };
    for (auto &c : cases) {
        SmfChunkList list;
        ASSERT_EQ(readFrom(c.file, list), SmfOk) << c.what;
        const SmfChunk *expected = list.first;
        for (int i = 0; i < c.expected; ++i)
            expected = expected->next;
        EXPECT_EQ(findNoteChunk(list), expected) << c.what;
    }
}

TEST(SmfChunks, ChunkBuffers)
{
    SmfChunkList list;
    SmfChunk *chunk = appendSmfChunk(list);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(chunk->capacity, 0u);
    EXPECT_EQ(chunk->length, 0u);
    ASSERT_EQ(allocSmfChunkData(*chunk, 16), SmfOk);
    EXPECT_EQ(chunk->capacity, 16u);
    EXPECT_EQ(growSmfChunkData(*chunk, 16), SmfOutOfMemory) << "not larger";
    EXPECT_EQ(growSmfChunkData(*chunk, 8), SmfOutOfMemory);
    EXPECT_EQ(chunk->capacity, 16u);
    EXPECT_EQ(growSmfChunkData(*chunk, 32), SmfOk);
    EXPECT_EQ(chunk->capacity, 32u);
    EXPECT_EQ(appendSmfChunk(list), chunk->next);
    EXPECT_EQ(countSmfChunks(list), 2);
}

TEST(SmfChunks, WritingCountsTheChunksPresent)
{
    SmfChunkList list;
    list.format = 1;
    list.trackCount = 5; // a caller that counted wrong must not make a bad file
    list.division = 96;
    writeSmfEndOfTrack(*appendSmfChunk(list), 0);
    std::string out;
    stringStream stream(out);
    ASSERT_EQ(writeSmfChunks(list, stream), SmfOk);
    SmfChunkList back;
    EXPECT_EQ(readFrom(out, back), SmfOk);
    EXPECT_EQ(back.trackCount, 1);
}

TEST(SmfChunks, AShortWriteIsAFailure)
{
    SmfChunkList list;
    list.division = 96;
    writeSmfEndOfTrack(*appendSmfChunk(list), 0);
    for (uint32_t room : {0u, 10u, 14u, 20u, 25u}) {
        ShortStream stream(room);
        EXPECT_EQ(writeSmfChunks(list, stream), SmfWriteFailed) << room;
    }
    ShortStream enough(26);
    EXPECT_EQ(writeSmfChunks(list, enough), SmfOk);
}

TEST(SmfChunks, FilesAreReplacedOnlyWhenComplete)
{
    TempFolder folder;
    const std::string path = folder.file("fill.mid");
    ASSERT_TRUE(writeFile(path, "old pattern"));

    SmfChunkList broken;
    broken.division = 96;
    SmfChunk *chunk = appendSmfChunk(broken);
    writeVarLen(*chunk, 0x10000000); // cannot be encoded: the chunk is incomplete
    EXPECT_NE(writeSmfFile(broken, path), SmfOk);
    EXPECT_EQ(readFile(path), "old pattern");

    EXPECT_EQ(writeSmfFile(broken, folder.file("missing\\fill.mid")), SmfWriteFailed);

    SmfChunkList good;
    good.format = 1;
    good.division = 96;
    writeSmfEndOfTrack(*appendSmfChunk(good), 0);
    ASSERT_EQ(writeSmfFile(good, path), SmfOk);
    SmfChunkList back;
    ASSERT_EQ(readSmfFile(back, path), SmfOk);
    EXPECT_EQ(back.division, 96);
    EXPECT_EQ(readSmfFile(back, folder.file("absent.mid")), SmfMalformed);
}

} // namespace
