#include "app/files/safe_file_storage.h"

#include "testing/realtime_counters.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quorvane;
using testing_support::filesIn;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

// What the MIDI and WAVE writers do: a size written as 0, patched once
// the chunk is written.
bool writeChunk(CStorage &storage)
{
    const uint32_t zero = 0;
    if (!storage.PutBuffer("MTrk", 4) || !storage.Put32(&zero) || !storage.PutBuffer("abc", 3))
        return false;
    const long end = storage.GetPos();
    const uint32_t size = static_cast<uint32_t>(end - 8);
    return end == 11 && storage.GetLength() == 11 && storage.SetPos(4) == 4 && storage.Put32(&size) &&
           storage.SetPos(end) == end;
}

} // namespace

TEST(SafeFileStorage, TheTargetChangesOnlyAtTheCommit)
{
    testing_support::TempFolder temp;
    const std::string path = temp.file("take.mid");
    ASSERT_TRUE(writeFile(path, "old take"));
    {
        SafeFileStorage storage(path);
        ASSERT_TRUE(storage.IsOpen());
        ASSERT_TRUE(writeChunk(storage));
        EXPECT_EQ(readFile(path), "old take");
        EXPECT_TRUE(storage.Commit());
    }
    EXPECT_EQ(readFile(path), std::string("MTrk\3\0\0\0abc", 11));
    EXPECT_EQ(filesIn(temp.path()), std::vector<std::string>{"take.mid"});
}

// Each way a save can fail part-way: the old file stays byte for byte and
// nothing is left beside it.
TEST(SafeFileStorage, AFailedWriteLeavesTheOldFileAndNoLeftovers)
{
    const std::string old("old\0take", 8);
    struct Case {
        const char *name;
        long writesBeforeFullDisk; // -1: the disk never fills
        bool commit;
    };
    for (const Case &c : {Case{"disk full at the first write", 0, true},
                          Case{"disk full at the size patch", 3, true}, Case{"writer gave up", -1, false}}) {
        testing_support::TempFolder temp;
        const std::string path = temp.file("take.mid");
        ASSERT_TRUE(writeFile(path, old));
        bool written = false, committed = false;
        {
            SafeFileStorage storage(path);
            testing_support::RealTimeCounter counter;
            counter.failWritesAfter(c.writesBeforeFullDisk);
            written = writeChunk(storage);
            committed = c.commit && storage.Commit();
        }
        EXPECT_EQ(written, c.writesBeforeFullDisk < 0) << c.name;
        EXPECT_FALSE(committed) << c.name;
        EXPECT_EQ(readFile(path), old) << c.name;
        EXPECT_EQ(filesIn(temp.path()), std::vector<std::string>{"take.mid"}) << c.name;
    }
}

TEST(SafeFileStorage, AFolderThatIsGoneIsReported)
{
    testing_support::TempFolder temp;
    SafeFileStorage storage(temp.file("gone\\take.mid"));
    EXPECT_FALSE(storage.IsOpen());
    EXPECT_FALSE(writeChunk(storage));
    EXPECT_FALSE(storage.Commit());
}
