// The colour file, end to end: a probe program copied into a temp folder
// with Pannikel, Corvadel and a ".gui" file named after it loads the
// library and reports the colours, pens and gradients it got.
#include "canvas.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <sstream>
#include <string>

namespace {

using Values = std::map<std::string, std::string>;

const Values kDefaults = {
    {"colBlack", "0 0 0 255"},
    {"colWhite", "255 255 255 255"},
    {"colLtGray", "200 200 200 255"},
    {"colDkGray", "140 140 140 255"},
    {"colBkgndTrMeas", "192 192 255 255"},
    {"colBkgndMaster", "204 172 204 255"},
    {"colBkgndChords", "172 204 204 255"},
    {"colBkgndMelText", "204 204 172 255"},
    {"colBkgndMIDI", "172 172 204 255"},
    {"colBkgndAudio", "204 172 172 255"},
    {"colBkgndSTtact", "192 192 255 255"},
    {"colBkgndSysEx", "204 172 204 255"},
    {"colBkgndPattern", "172 210 172 255"},
    {"colSlctTrMeas", "128 128 255 255"},
    {"colSlctMaster", "184 152 184 255"},
    {"colSlctChords", "152 172 172 255"},
    {"colSlctMelText", "172 172 152 255"},
    {"colSlctMIDI", "152 152 172 255"},
    {"colSlctAudio", "172 152 152 255"},
    {"colSlctPattern", "132 190 132 255"},
    {"colSlctMIDI1", "162 162 184 255"},
    {"colSlctChords1", "167 187 187 255"},
    {"colSlctMelText1", "187 187 167 255"},
    {"colEdit", "255 152 152 255"},
    {"colEdit1", "255 255 152 255"},
    {"colDrawCtrl", "255 255 128 255"},
    {"colDrawCtrlSel", "96 96 204 255"},
    {"colFillNoteNorm", "158 158 190 255"},
    {"colFillNoteSlct", "96 96 204 255"},
    {"colFillNoteBkgn", "158 158 190 255"},
    {"colFillChordNorm", "0 140 0 255"},
    {"colFillChordSlct", "96 96 204 255"},
    {"colFillChordBkgn", "162 194 162 255"},
    {"colFillMelNorm", "162 162 96 255"},
    {"colFillMelSlct", "96 96 204 255"},
    {"colLyricStd", "0 0 0 255"},
    {"colLyricCur", "255 0 0 255"},
    {"colLevelMnFill", "255 255 0 255"},
    {"colLevelMnFree", "128 128 0 255"},
    {"colLevelOvFill", "255 0 0 255"},
    {"colLevelOvFree", "128 0 0 255"},
};

// Copies the probe and the libraries into the folder, writes the colour
// file when given, runs the probe and reads what it reported.
Values runProbe(const testing_support::TempFolder &folder, const std::string *colourFile)
{
    const std::string from = pannikel_test::programFolder();
    for (const char *file : {"colour_probe.exe", "Pannikel.dll", "Corvadel.dll"}) {
        if (!CopyFileA((from + "\\" + file).c_str(), folder.file(file).c_str(), FALSE)) {
            ADD_FAILURE() << "cannot copy " << file;
            return {};
        }
    }
    if (colourFile) {
        EXPECT_TRUE(testing_support::writeFile(folder.file("colour_probe.gui"), *colourFile));
    }

    const std::string report = folder.file("report.txt");
    std::string command = "\"";
    command += folder.file("colour_probe.exe");
    command += "\" \"";
    command += report;
    command += "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.path().c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "the probe does not start";
        return {};
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u) << "probe exit code";

    Values values;
    std::istringstream lines(testing_support::readFile(report));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t blank = line.find(' ');
        if (blank != std::string::npos)
            values[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return values;
}

} // namespace

TEST(ColourFile, WithoutAFileEveryColourKeepsItsDefault)
{
    testing_support::TempFolder folder;
    const Values got = runProbe(folder, nullptr);
    ASSERT_FALSE(got.empty());
    for (const auto &[name, value] : kDefaults)
        EXPECT_EQ(got.at(name), value) << name;
    EXPECT_EQ(got.at("pen4"), "255 255 128");
    EXPECT_EQ(got.at("gradient0.12"), "204 172 204");
}

TEST(ColourFile, NamedColoursReadBackAsWrittenAndBadLinesChangeNothing)
{
    const std::string cut(255, 'x');                            // the next character starts a name
    const std::string file = "colEdit1=1,2,3,4\r\n"             // colEdit stays
                             "colWhite=0x100,0x12,0X34,255\r\n" // hexadecimal, low byte kept
                             "colBlack=1,2,3\r\n"               // three numbers only
                             "colLtGray =1,2,3,4\r\n"           // a blank before "="
                             "colDkGray=010,011,012,0377\r\n"   // octal
                             "\r\n"
                             "colBkgndMaster=1,1,1,1\r\n"
                             "colUnknown=9,9,9,9\r\n"
                             "colBkgndMaster=100,120,140,7\r\n" // the later line wins
                             "colLyricCur=-1,256,257,300\r\n"   // low bytes
                             "colDrawCtrl=10,200,30,255\n"
                             "colEdit=0xZZ,1,2,3\n" // not a number
                             "colFillMelNorm=1,2,3,4" +
                             std::string(250, ' ') + "\n" + // cut at 255
                             cut +
                             "colSlctAudio=9,9,9,9\n"      // the rest of a cut line
                             "colslctmidi1=5,6,7,8\n"      // names are case-sensitive
                             "colSlctChords1=11,12,13,14"; // no line end
    Values expected = kDefaults;
    expected["colEdit1"] = "1 2 3 4";
    expected["colWhite"] = "0 18 52 255";
    expected["colDkGray"] = "8 9 10 255";
    expected["colBkgndMaster"] = "100 120 140 7";
    expected["colLyricCur"] = "255 0 1 44";
    expected["colDrawCtrl"] = "10 200 30 255";
    expected["colFillMelNorm"] = "1 2 3 4";
    expected["colSlctChords1"] = "11 12 13 14";

    testing_support::TempFolder folder;
    const Values got = runProbe(folder, &file);
    ASSERT_FALSE(got.empty());
    for (const auto &[name, value] : expected)
        EXPECT_EQ(got.at(name), value) << name;

    // Pens and gradients are built after the file is read.
    EXPECT_EQ(got.at("pen4"), "10 200 30");
    EXPECT_EQ(got.at("gradient0.0"), "140 160 180");
    EXPECT_EQ(got.at("gradient0.12"), "100 120 140");
    EXPECT_EQ(got.at("gradient0.25"), "36 56 76");
    EXPECT_EQ(got.at("gradient20.0"), "41 42 43");
    EXPECT_EQ(got.at("gradient20.12"), "1 2 3");
    EXPECT_EQ(got.at("gradient20.25"), "0 0 0");
}
