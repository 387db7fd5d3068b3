#include "sound/equipment/vst_scan_log.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Quorvane::VstScanLog;

TEST(VstScanLog, StartsEmptyAndAppendsEachText)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("scan.log");
    ASSERT_TRUE(testing_support::writeFile(path, "from before"));
    VstScanLog log;
    ASSERT_TRUE(log.Start(path.c_str()));
    EXPECT_EQ(testing_support::readFile(path), "");
    log.Write("C:\\a.dll");
    log.Write(" = VSTi\n");
    log.Write("\nDone");
    EXPECT_EQ(testing_support::readFile(path), "C:\\a.dll = VSTi\r\n\r\nDone");
}

TEST(VstScanLog, APathThatCannotBeUsedSwitchesLoggingOff)
{
    testing_support::TempFolder folder;
    const std::string tooLong = folder.path() + "\\" + std::string(MAX_PATH, 'x') + ".log";
    const std::string fits = folder.file(std::string(MAX_PATH - folder.path().size() - 2, 'y'));
    const std::string nowhere = folder.file("no\\such\\folder\\scan.log");
    for (const char *path : {static_cast<const char *>(nullptr), "", tooLong.c_str(), nowhere.c_str()}) {
        VstScanLog log;
        EXPECT_FALSE(log.Start(path)) << (path ? path : "null");
        EXPECT_FALSE(log.IsOn());
        log.Write("nothing");
    }
    EXPECT_FALSE(testing_support::fileExists(nowhere));
    VstScanLog longest;
    EXPECT_EQ(fits.size(), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_TRUE(longest.Start(fits.c_str())) << "the longest path the buffer holds";
}

} // namespace
