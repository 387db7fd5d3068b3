// What a power cut can leave of a record file in the middle of a commit.
// Every change a commit path makes to the disk is recorded through the
// CXFile hook; a flush makes the changes of its file made before it
// durable, and of the changes that are not, the disk may have kept any
// part. For every point of the path, the files such a cut can leave are
// built (none, all, each prefix and each single one of the changes not yet
// durable, all but each one, a write torn at a sector's end, a length that
// reached the disk without the bytes of its write) and opened as the
// program opens them: each must open, for writing and then read only, and
// hold the records of before the commit or of after it. A commit that
// returned is never undone.
#include "db/records/sdb.h"

#include "db/records/record_scan.h"
#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;
using namespace records_test;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr uint32_t none = SDB_NO_PARENT;

// One change of a file on its way to the disk.
struct Change {
    XFileChange change;
    std::string file, newName; // names within the folder
    uint32_t offset = 0;
    Bytes bytes;
    bool durable = false;
};

std::string baseName(const char *path)
{
    const std::string name = path ? path : "";
    const size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::vector<Change> g_changes;

uint32_t recordChange(const XFileChangeInfo &info)
{
    Change change{info.change, baseName(info.file), baseName(info.newName), info.offset, {}, info.durable};
    if (info.change == XFileChange::Write)
        change.bytes.assign(static_cast<const char *>(info.bytes), info.count);
    g_changes.push_back(change);
    return info.count;
}

// The files of the folder by name.
using Files = std::map<std::string, Bytes>;

// How one change is applied: whole, torn after `keep` bytes, or as a
// length that reached the disk without the bytes.
enum class Kept { Whole, Torn, LengthOnly };

void apply(Files &files, const Change &change, Kept kept = Kept::Whole)
{
    auto file = files.find(change.file);
    switch (change.change) {
    case XFileChange::Create:
        files[change.file];
        break;
    case XFileChange::Write: {
        if (file == files.end())
            break; // the file's name never reached the disk
        Bytes &bytes = file->second;
        const size_t end = change.offset + change.bytes.size();
        if (bytes.size() < end)
            bytes.resize(end, '\0');
        if (kept == Kept::LengthOnly)
            break;
        size_t n = change.bytes.size();
        if (kept == Kept::Torn)
            n = SectorSize - change.offset % SectorSize;
        bytes.replace(change.offset, n, change.bytes.substr(0, n));
        break;
    }
    case XFileChange::SetEnd:
        if (file != files.end())
            file->second.resize(change.offset, '\0');
        break;
    case XFileChange::Remove:
        if (file != files.end())
            files.erase(file);
        break;
    case XFileChange::Rename:
        if (file != files.end()) {
            files[change.newName] = file->second;
            files.erase(change.file);
        }
        break;
    case XFileChange::Flush:
        break;
    }
}

bool tearable(const Change &change)
{
    return change.change == XFileChange::Write &&
           change.offset / SectorSize != (change.offset + change.bytes.size() - 1) / SectorSize;
}

bool extends(const Files &files, const Change &change)
{
    auto file = files.find(change.file);
    return change.change == XFileChange::Write && file != files.end() &&
           change.offset + change.bytes.size() > file->second.size();
}

// Everything a cut after the first `cut` changes may leave.
std::vector<Files> statesAt(const Files &start, const std::vector<Change> &changes, size_t cut)
{
    // A change is durable once a flush of its file (or a change written
    // through) follows it.
    std::vector<bool> durable(cut, false);
    for (size_t i = 0; i < cut; ++i) {
        if (changes[i].change != XFileChange::Flush && !changes[i].durable)
            continue;
        for (size_t j = 0; j <= i; ++j)
            if (changes[j].file == changes[i].file)
                durable[j] = true;
    }
    std::vector<size_t> open;
    for (size_t i = 0; i < cut; ++i)
        if (!durable[i])
            open.push_back(i);
    // Builds the files with the durable changes and the chosen open ones;
    // `special` is applied as `how`.
    auto build = [&](const std::function<bool(size_t)> &kept, size_t special = SIZE_MAX,
                     Kept how = Kept::Whole) {
        Files files = start;
        for (size_t i = 0; i < cut; ++i) {
            if (i == special)
                apply(files, changes[i], how);
            else if (durable[i] || kept(i))
                apply(files, changes[i]);
        }
        return files;
    };
    std::vector<Files> states;
    for (size_t n = 0; n <= open.size(); ++n) // each prefix, none and all among them
        states.push_back(build([&](size_t i) { return i < (n ? open[n - 1] + 1 : 0); }));
    for (size_t o : open) {
        states.push_back(build([&](size_t i) { return i == o; }));
        states.push_back(build([&](size_t i) { return i != o; }));
        if (tearable(changes[o]))
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::Torn));
        Files before = build([&](size_t i) { return i < o; });
        if (extends(before, changes[o])) {
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::LengthOnly));
            states.push_back(build([&](size_t) { return true; }, o, Kept::LengthOnly));
        }
    }
    return states;
}

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
    Files snapshot(const std::string &folderPath)
    {
        Files files;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folderPath + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    files[found.cFileName] = readFile(folderPath + "\\" + found.cFileName);
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return files;
    }

    // What the program finds in these files: the content, or why not.
    std::string openAs(const std::string &folderPath, const std::string &name, int writable)
    {
        const Files files = snapshot(folderPath);
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
        const Files start = snapshot(work.path());
        // The contents a cut may leave, from the change count at which each
        // became the one that must stand.
        std::vector<std::pair<size_t, std::string>> contents{{0, path.before}};
        g_changes.clear();
        {
            TestDB db;
            SetXFileChangeHook(recordChange);
            path.run(db, file, [&](std::string after) { contents.emplace_back(g_changes.size(), after); });
            SetXFileChangeHook(nullptr);
        }
        const std::vector<Change> changes = g_changes;
        EXPECT_EQ(openAs(work.path(), name, 0), contents.back().second) << "the run itself";
        std::set<Files> seen;
        for (size_t cut = 0; cut <= changes.size(); ++cut) {
            // The first content that may stand at this point.
            size_t first = 0;
            for (size_t c = 0; c < contents.size(); ++c)
                if (contents[c].first <= cut)
                    first = c;
            for (const Files &state : statesAt(start, changes, cut)) {
                if (!seen.insert(state).second)
                    continue;
                emptyFolder(checked.path());
                for (const auto &[fileName, bytes] : state)
                    writeFile(checked.path() + "\\" + fileName, bytes);
                const std::string writable = openAs(checked.path(), name, 1);
                const std::string readOnly = openAs(checked.path(), name, 0);
                bool allowed = false;
                for (size_t c = first; c < contents.size(); ++c)
                    allowed = allowed || ("|" + contents[c].second + "|").find("|" + writable + "|") !=
                                             std::string::npos;
                EXPECT_TRUE(allowed) << "cut after change " << cut << " of " << changes.size()
                                     << ": the writable open found " << writable;
                EXPECT_EQ(readOnly, writable) << "cut after change " << cut << ": read only after it";
                if (!allowed)
                    return seen.size(); // one story per path is enough to read
            }
        }
        return seen.size();
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
