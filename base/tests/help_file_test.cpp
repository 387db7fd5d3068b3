#include "base/help_file.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(MissingHelpFile, NamesTheFileAndTheManualsChapterOnlyWhenTheFileIsNotThere)
{
    testing_support::TempFolder folder;
    const std::string file = folder.path() + "\\Drummer.hlp";
    EXPECT_EQ(Quorvane::MissingHelpFileMessage(file),
              "The help file " + file +
                  " is missing: the drummers' help files are not part of this release. The program's manual "
                  "(RallimothManual.pdf, Help, Manual) tells how the drummers' editors work, in its chapter "
                  "\"The drummers and their editors\".");
    // A folder of that name is no help file either.
    CreateDirectoryA(file.c_str(), nullptr);
    EXPECT_NE(Quorvane::MissingHelpFileMessage(file), "");
    RemoveDirectoryA(file.c_str());
    std::ofstream(file) << "help";
    EXPECT_EQ(Quorvane::MissingHelpFileMessage(file), "");
}

} // namespace
