// What a power cut can leave of a record file in the middle of a commit:
// for every point of each commit path, every set of files the disk may
// hold (power_cut.h) is opened as the program opens it. Each must open, for
// writing and then read only, and hold the records of before the commit or
// of after it; a commit that returned is never undone.
#include "db/records/sdb.h"

#include "db/records/tests/power_cut.h"
#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace records_test;
using power_cut::Files;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

// A body of one letter repeated, shown as "R*700" in a content.
Bytes big(char letter, size_t n = 700)
{
    return Bytes(n, letter);
}

std::string shown(const Bytes &body)
{
    if (body.size() > 16 && body.find_first_not_of(body[0]) == Bytes::npos)
        return std::string(1, body[0]) + "*" + std::to_string(body.size());
    return body;
}

// The live records, by id: "id<parent:body" ("-" for no parent).
std::string content(CSDB &db)
{
    std::map<uint32_t, std::string> records;
    for (SDBNOTE *note = db.GetNoteByType(nullptr, SDB_ANY_TYPE); note;
         note = db.GetNoteByType(note, SDB_ANY_TYPE)) {
        records[note->id] = std::to_string(note->id) + "<" +
                            (note->parent == none ? std::string("-") : std::to_string(note->parent)) + ":" +
                            shown(bodyOf(db, note->id));
    }
    std::string text;
    for (const auto &[id, record] : records)
        text += (text.empty() ? "" : " ") + record;
    return text.empty() ? "<empty>" : text;
}

// A commit path: files it starts from, what it does, and the contents a
// cut may leave, each from the change the program has reached when it
// returned from the step before it ("a|b": either of them).
struct Path {
    const char *what;
    // Writes the files the path starts from into the folder.
    std::function<void(const std::string &path)> prepare;
    // Runs the path; `returned(content)` marks a commit that returned.
    std::function<void(TestDB &db, const std::string &path, const std::function<void(std::string)> &returned)>
        run;
    std::string before;
};

class PowerCut : public ::testing::TestWithParam<int> {
protected:
    // What the program finds in the folder's file: the content, or why not.
    static std::string openAs(const std::string &folderPath, const std::string &name, int writable)
    {
        const Files files = power_cut::snapshot(folderPath);
        TestDB db;
        if (!db.Open((folderPath + "\\" + name).c_str(), kMagic, writable)) {
            auto file = files.find(name);
            // A first database whose head never reached the disk: none yet.
            if (file == files.end() || file->second.size() < SDB_HEAD_SIZE ||
                file->second.substr(0, 4) != u32(kMagic))
                return "<no database>";
            return db.RefusedAsDamaged() ? "<refused as damaged>" : "<refused>";
        }
        const std::string found = content(db);
        db.Close(0);
        return found;
    }

    // Runs the path once, recording its changes, then opens every state a
    // cut can leave. Answers how many distinct states were opened.
    size_t check(const Path &path)
    {
        const std::string name = "Main.prs";
        const std::string file = work.path() + "\\" + name;
        emptyFolder(work.path());
        path.prepare(file);
        const Files start = power_cut::snapshot(work.path());
        // The contents a cut may leave, from the change count at which each
        // became the one that must stand.
        std::vector<std::pair<size_t, std::string>> contents{{0, path.before}};
        std::vector<power_cut::Change> changes;
        {
            TestDB db;
            power_cut::Recorder recorder;
            path.run(db, file,
                     [&](std::string after) { contents.emplace_back(recorder.changes().size(), after); });
            changes = recorder.changes();
        }
        EXPECT_EQ(openAs(work.path(), name, 0), contents.back().second) << "the run itself";
        return power_cut::forEveryState(start, changes, [&](size_t cut, const Files &state) {
            power_cut::writeState(checked.path(), state);
            const std::string writable = openAs(checked.path(), name, 1);
            const std::string readOnly = openAs(checked.path(), name, 0);
            bool allowed = false;
            for (size_t c = 0; c < contents.size(); ++c) {
                const bool later = c + 1 < contents.size() && contents[c + 1].first <= cut;
                allowed = allowed || (!later && ("|" + contents[c].second + "|").find("|" + writable + "|") !=
                                                    std::string::npos);
            }
            EXPECT_TRUE(allowed) << "cut after change " << cut << " of " << changes.size()
                                 << ": the writable open found " << writable;
            EXPECT_EQ(readOnly, writable) << "cut after change " << cut << ": read only after it";
            return allowed; // one story per path is enough to read
        });
    }

    TempFolder work, checked;
};

// The committed file every path but the first-time one starts from.
void committedBase(const std::string &path)
{
    TestDB db;
    ASSERT_TRUE(db.Create(path.c_str(), kMagic));
    ASSERT_EQ(addRecord(db, 0x50, none, "port"), 0u);
    ASSERT_EQ(addRecord(db, 0x81, 0, big('P')), 1u);
    ASSERT_EQ(addRecord(db, 0x81, 0, "child"), 2u);
    ASSERT_EQ(addRecord(db, 0x50, none, "last"), 3u);
    ASSERT_TRUE(db.Close(1));
}
const char *const baseContent = "0<-:port 1<0:P*700 2<0:child 3<-:last";

void replace(TestDB &db, uint32_t id, const Bytes &body)
{
    SDBNOTE note = *db.GetNoteByID(id);
    note.size = uint32_t(body.size());
    ASSERT_TRUE(db.ChangeNote(&note, body.data()));
}

const Path paths[] = {
    {"additions with a new id, a record with its children", committedBase,
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
         ASSERT_EQ(addRecord(db, 0x82, none, "template"), 4u);
         ASSERT_EQ(addRecord(db, 0x83, 4, big('C')), 5u);
         ASSERT_EQ(addRecord(db, 0x83, 4, "second child"), 6u);
         ASSERT_TRUE(db.UpdateDBUID());
         ASSERT_TRUE(db.Close(1));
         returned("0<-:port 1<0:P*700 2<0:child 3<-:last 4<-:template 5<4:C*700 6<4:second child");
     },
     baseContent},
    {"replacements and a deleted branch with a new id", committedBase,
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
         replace(db, 3, big('L'));
         ASSERT_TRUE(db.DeleteNoteByID(0));
         ASSERT_TRUE(db.UpdateDBUID());
         ASSERT_TRUE(db.Close(1));
         returned("3<-:L*700");
     },
     baseContent},
    {"a replacement without a new id, then an addition: two commits", committedBase,
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
         replace(db, 1, "short now");
         ASSERT_TRUE(db.Commit());
         returned("0<-:port 1<0:short now 2<0:child 3<-:last");
         ASSERT_EQ(addRecord(db, 0x50, none, big('N')), 4u);
         ASSERT_TRUE(db.Commit());
         returned("0<-:port 1<0:short now 2<0:child 3<-:last 4<-:N*700");
         db.Close(0);
     },
     baseContent},
    {"the first database made and committed", [](const std::string &) {},
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Create(path.c_str(), kMagic));
         ASSERT_EQ(addRecord(db, 0x10, none, "root"), 0u);
         ASSERT_EQ(addRecord(db, 0x11, 0, big('I')), 1u);
         ASSERT_TRUE(db.Close(1));
         returned("0<-:root 1<0:I*700");
     },
     // Before the commit: no database yet, or one with no records.
     "<no database>|<empty>"},
    {"saved under its own name, and saved again", committedBase,
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
         ASSERT_TRUE(db.DeleteNoteByID(2));
         ASSERT_EQ(addRecord(db, 0x81, 0, "new child"), 4u);
         ASSERT_TRUE(db.Save(nullptr));
         returned("0<-:port 1<0:P*700 3<-:last 4<0:new child");
         replace(db, 0, big('Q'));
         ASSERT_TRUE(db.Save(path.c_str()));
         returned("0<-:Q*700 1<0:P*700 3<-:last 4<0:new child");
         db.Close(0);
     },
     baseContent},
    {"an open that finds a journal of an earlier cut, then a commit",
     [](const std::string &path) {
         committedBase(path);
         // A whole journal of another file's id: never played, kept aside.
         ASSERT_TRUE(writeFile(path + ".journal", journalBytes(kMagic, freshUid(), 20, 40, Bytes(20, 'j'))));
     },
     [](TestDB &db, const std::string &path, const auto &returned) {
         ASSERT_TRUE(db.Open(path.c_str(), kMagic, 1));
         replace(db, 2, "grown child");
         ASSERT_TRUE(db.Commit());
         returned("0<-:port 1<0:P*700 2<0:grown child 3<-:last");
         db.Close(0);
     },
     baseContent},
};

TEST_P(PowerCut, EveryStateACutLeavesOpensWithTheContentOfBeforeOrAfter)
{
    const Path &path = paths[GetParam()];
    SCOPED_TRACE(path.what);
    const size_t states = check(path);
    std::printf("%s: %zu states opened\n", path.what, states);
}

INSTANTIATE_TEST_SUITE_P(RecordFile, PowerCut, ::testing::Range(0, int(std::size(paths))));

} // namespace
