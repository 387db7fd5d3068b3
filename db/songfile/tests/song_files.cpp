#include "db/songfile/tests/song_files.h"

#include "data/song.h"
#include "data/storage.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_meltext.h"
#include "db/records/tests/record_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace songfile_test {

using namespace Quorvane;

unsigned long long fnv1a(const void *bytes, size_t length)
{
    unsigned long long hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<const unsigned char *>(bytes)[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

namespace {

std::string readerFolder()
{
    return records_test::testExecutableFolder() + "\\song_files";
}

unsigned long long hashOf(CStorage &storage)
{
    auto &memory = static_cast<CMemStorage &>(storage);
    return fnv1a(memory.GetData(), size_t(memory.GetLength()));
}

} // namespace

void keepForReader(const std::string &path, CSong &song, const char *tag)
{
    static std::atomic<int> serial{0};
    // Every run of the tests starts with an empty folder of kept files.
    static const bool started = (records_test::emptyFolder(readerFolder()), true);
    (void)started;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string label = test ? std::string(test->test_suite_name()) + "." + test->name() : "run";
    for (char &c : label)
        if (c == '/' || c == '\\')
            c = '_';
    const std::string copy = readerFolder() + "\\" + label + "-" + std::to_string(++serial);
    ASSERT_TRUE(CopyFileA(path.c_str(), (copy + ".tsng").c_str(), FALSE)) << path;
    FILE *listing = std::fopen((copy + ".txt").c_str(), "w");
    ASSERT_NE(listing, nullptr);
    std::fprintf(listing, "tag %s\n", tag ? tag : "");
    for (long i = 0; i < 5; ++i) {
        const char *text = song.songInfo.GetItemText(i);
        std::fprintf(listing, "info %ld %zu\n", i, text ? std::min<size_t>(std::strlen(text), 255) : 0);
    }
    for (CTrack *t = song.GetNextTrack(nullptr); t; t = song.GetNextTrack(t)) {
        CMemStorage events;
        ASSERT_TRUE(t->CEventArray::Save(&events));
        std::fprintf(listing, "track %lu %ld %016llx\n", t->GetID(), t->GetKind(), hashOf(events));
        if (t->GetKind() == TRACK_MELTEXT) {
            CMemStorage text;
            ASSERT_TRUE(static_cast<CTrackMelText *>(t)->text.Save(&text));
            std::fprintf(listing, "text %lu %016llx\n", t->GetID(), hashOf(text));
        }
        if (t->GetKind() == TRACK_AUDIO) {
            CWave &wave = static_cast<CTrackAudio *>(t)->wave;
            std::vector<float> samples(size_t(wave.length) * wave.channels);
            ASSERT_TRUE(wave.Read(samples.data(), 0, static_cast<unsigned long>(wave.length)));
            std::fprintf(listing, "audio %lu %d %lld %lld %016llx\n", t->GetID(), wave.channels,
                         (long long)wave.length, (long long)static_cast<CTrackAudio *>(t)->startOffset,
                         fnv1a(samples.data(), samples.size() * sizeof(float)));
        }
    }
    std::fclose(listing);
}

} // namespace songfile_test
