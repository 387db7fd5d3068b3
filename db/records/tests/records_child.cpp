// The other process of the record file's tests.
//
//   write <file> commit|discard <stopAt> <tear> <readyEvent|-> <report|->
//       Opens the file, makes the workload's changes under the lock and
//       commits (with a new id first) or discards them. With stopAt > 0 it
//       ends itself at that change of a disk file: before it, or with `tear`
//       after it (a write only half done). The report gets
//       "changes <all> commitStart <changes before the commit>".
//   verify <file> <before> <after>
//       Opens the file and checks it: its bytes from offset 20 equal those of
//       <before> (exit 0) or <after> (exit 10), no journal is left, every
//       body reads whole, and a new commit works.
//   hold <file> <readyEvent> <releaseEvent> [lock]
//       Keeps the file open (and its lock taken) until released; exit 0, or
//       3 when the open failed.
//   lock <w0> <w1> <w2> <w3> <readyEvent> <releaseEvent>
//       Takes the mutex of that id until released; exits with what
//       CXLock::Create answered.
#include "db/records/sdb.h"
#include "db/records/tests/crash_workload.h"
#include "testing/sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace Quorvane;
using crash_workload::kMagic;

uint32_t g_changes = 0;
uint32_t g_stopAt = 0;
bool g_tear = false;
bool g_stopping = false;

void stopHere()
{
    TerminateProcess(GetCurrentProcess(), 3);
}

// Which changes were writes ('w') and which not ('-'), in order.
std::string g_kinds;

uint32_t countChange(const XFileChangeInfo &info)
{
    const XFileChange change = info.change;
    const uint32_t count = info.count;
    if (g_stopping)
        stopHere();
    g_kinds += change == XFileChange::Write ? 'w' : '-';
    if (++g_changes != g_stopAt)
        return count;
    if (!g_tear)
        stopHere();
    g_stopping = true;
    return change == XFileChange::Write ? count / 2 : count;
}

void setEvent(const char *name)
{
    if (std::strcmp(name, "-") == 0)
        return;
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    SetEvent(event);
    CloseHandle(event);
}

void waitEvent(const char *name)
{
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
    WaitForSingleObject(event, INFINITE);
    CloseHandle(event);
}

int write(char **argv)
{
    const char *file = argv[2];
    const bool commit = std::strcmp(argv[3], "commit") == 0;
    g_stopAt = uint32_t(std::strtoul(argv[4], nullptr, 10));
    g_tear = std::atoi(argv[5]) != 0;
    SetXFileChangeHook(countChange);
    CSDB db;
    if (!db.Open(file, kMagic, 1))
        return 2;
    setEvent(argv[6]);
    db.Lock();
    if (!crash_workload::applyChanges(db))
        return 4;
    const uint32_t commitStart = g_changes;
    if (commit && !db.UpdateDBUID())
        return 5;
    db.Unlock();
    const int closed = db.Close(commit);
    if (g_stopping)
        stopHere();
    if (!closed)
        return 6;
    if (std::strcmp(argv[7], "-") != 0) {
        FILE *report = std::fopen(argv[7], "w");
        std::fprintf(report, "changes %u commitStart %u kinds %s\n", g_changes, commitStart, g_kinds.c_str());
        std::fclose(report);
    }
    return 0;
}

int fail(int code, const std::string &why)
{
    std::printf("verify: %s\n", why.c_str());
    std::fflush(stdout);
    return code;
}

int verify(char **argv)
{
    const char *file = argv[2];
    CSDB db;
    if (!db.Open(file, kMagic, 1))
        return fail(20, "the open failed");
    const std::string bytes = testing_support::readFile(file).substr(20);
    int matched;
    if (bytes == testing_support::readFile(argv[3]).substr(20))
        matched = 0;
    else if (bytes == testing_support::readFile(argv[4]).substr(20))
        matched = 10;
    else
        return fail(21, "the records match neither the last commit nor the finished run");
    if (testing_support::fileExists(std::string(file) + ".journal"))
        return fail(22, "a journal is left");
    uint32_t records = 0, lastId = 0;
    for (const SDBNOTE *note = db.GetNoteByType(nullptr, SDB_ANY_TYPE); note;
         note = db.GetNoteByType(note, SDB_ANY_TYPE), ++records) {
        SDBNOTE header;
        void *body;
        if (!db.ReadNote(note->id, &header, &body) ||
            !crash_workload::bodyIsWhole(note->id, body, header.size))
            return fail(23, "body " + std::to_string(note->id) + " does not read whole");
        std::free(body);
        lastId = note->id > lastId ? note->id : lastId;
    }
    if (records < 1000)
        return fail(24, "records are missing");

    // A new commit works: an append, a replacement and a deletion.
    const std::string body = crash_workload::makeBody(0, 9, 40);
    SDBNOTE added;
    added.type = 0x15;
    added.parent = SDB_NO_PARENT;
    added.size = uint32_t(body.size());
    SDBNOTE changed = *db.GetNoteByType(nullptr, SDB_ANY_TYPE);
    const std::string changedBody = crash_workload::makeBody(changed.id, 9, 10);
    changed.size = uint32_t(changedBody.size());
    if (!db.AddNewNote(&added, body.data()) || !db.ChangeNote(&changed, changedBody.data()) ||
        !db.DeleteNoteByID(lastId) || !db.Close(1))
        return fail(25, "a new commit failed");
    if (!db.Open(file, kMagic, 0) || !db.GetNoteByID(added.id) || db.GetNoteByID(lastId))
        return fail(26, "the new commit did not last");
    void *read;
    SDBNOTE header;
    if (!db.ReadNote(changed.id, &header, &read) ||
        std::string(static_cast<char *>(read), header.size) != changedBody)
        return fail(27, "the replaced body did not last");
    std::free(read);
    return matched;
}

int hold(int argc, char **argv)
{
    CSDB db;
    if (!db.Open(argv[2], kMagic, 1))
        return 3;
    if (argc > 5)
        db.Lock();
    setEvent(argv[3]);
    waitEvent(argv[4]);
    if (argc > 5)
        db.Unlock();
    db.Close(0);
    return 0;
}

int lock(char **argv)
{
    DBUID uid;
    for (int i = 0; i < 4; ++i)
        uid.m_words[i] = uint32_t(std::strtoul(argv[2 + i], nullptr, 16));
    CXLock mutex;
    const int created = mutex.Create(&uid);
    mutex.Lock();
    setEvent(argv[6]);
    waitEvent(argv[7]);
    mutex.Unlock();
    return created;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 8)
        return write(argv);
    if (mode == "verify" && argc == 5)
        return verify(argv);
    if (mode == "hold" && argc >= 5)
        return hold(argc, argv);
    if (mode == "lock" && argc == 8)
        return lock(argv);
    std::fprintf(stderr, "records_child: unknown arguments\n");
    return 1;
}
