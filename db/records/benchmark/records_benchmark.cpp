// Not a test: what the record file costs with 10,000 records. Prints inserts
// and reads by id (random order) per second, the open time, and the latency
// of the first commit and of one-record commits (median and maximum), the
// disk flushes of every commit included. Then commits of 1, 100 and 10,000
// added records as the program makes them (a new id, then the commit) over
// a file of 10,000 committed records: the time per commit and the disk
// flushes per commit. Then, with 100,000 records, the time to read every
// record by id and to size and copy a branch 100,000 records deep. With
// --short everything runs on a few hundred records.
// Exits with 1 when an operation fails or answers wrongly.
#include "db/records/sdb.h"
#include "testing/benchmark_options.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Quorvane;

constexpr uint32_t magic = 0x53525054; // "TPRS"

struct Sizes {
    int records;
    int oneRecordCommits;
    int largeRecords;
    int commitSizes[3];
    int commitRepeats;
};
constexpr Sizes fullRun{10000, 200, 100000, {1, 100, 10000}, 9};
constexpr Sizes shortRun{500, 20, 2000, {1, 10, 100}, 3};

class BenchmarkDB : public CSDB {
public:
    using CSDB::Commit;
};

double now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

std::string body(std::mt19937 &random)
{
    std::string bytes(16 + random() % 400, '\0');
    for (char &c : bytes)
        c = char(random());
    return bytes;
}

bool append(CSDB &db, std::mt19937 &random, uint32_t parent, uint32_t *id)
{
    const std::string bytes = body(random);
    SDBNOTE note;
    note.type = uint8_t(0x50 + random() % 5);
    note.parent = parent;
    note.size = uint32_t(bytes.size());
    if (!db.AddNewNote(&note, bytes.data()))
        return false;
    *id = note.id;
    return true;
}

struct Latencies {
    std::vector<double> ms;
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double max() { return *std::max_element(ms.begin(), ms.end()); }
};

int fail(const char *what)
{
    std::printf("failed: %s\n", what);
    return 1;
}

// Counts the disk flushes the record file asks for.
uint32_t g_flushes = 0;

uint32_t countFlush(const XFileChangeInfo &change)
{
    g_flushes += change.change == XFileChange::Flush;
    return change.count;
}

// Commits of `size` added records, each given a new id first as the
// program's commit does, over the committed records of the open file.
int runCommits(BenchmarkDB &db, std::mt19937 &random, int size, int repeats)
{
    Latencies ms;
    std::vector<uint32_t> flushes;
    for (int round = 0; round < repeats; ++round) {
        db.Lock();
        for (int i = 0; i < size; ++i) {
            uint32_t id;
            if (!append(db, random, SDB_NO_PARENT, &id))
                return fail("append");
        }
        db.Unlock();
        g_flushes = 0;
        SetXFileChangeHook(countFlush);
        const double start = now();
        const bool committed = db.UpdateDBUID() && db.Commit();
        ms.ms.push_back((now() - start) * 1000);
        SetXFileChangeHook(nullptr);
        if (!committed)
            return fail("commit of added records");
        flushes.push_back(g_flushes);
    }
    std::printf(
        "  commit of %5d added records:      %.2f ms median, %.2f ms max of %zu, %u flushes per commit\n",
        size, ms.median(), ms.max(), ms.ms.size(), flushes.front());
    for (uint32_t n : flushes)
        if (n != flushes.front())
            return fail("commits of one size flushed differently");
    return 0;
}

int run(const std::string &path, const Sizes &sizes)
{
    const int records = sizes.records, oneRecordCommits = sizes.oneRecordCommits;
    std::mt19937 random(11);
    BenchmarkDB db;
    if (!db.Create(path.c_str(), magic))
        return fail("create");

    std::vector<uint32_t> ids;
    double start = now();
    db.Lock();
    for (int i = 0; i < records; ++i) {
        uint32_t id;
        // A third at the top level, the others below an earlier record.
        const uint32_t parent = ids.empty() || random() % 3 == 0 ? SDB_NO_PARENT : ids[random() % ids.size()];
        if (!append(db, random, parent, &id))
            return fail("insert");
        ids.push_back(id);
    }
    db.Unlock();
    const double insertSeconds = now() - start;

    start = now();
    if (!db.Commit())
        return fail("first commit");
    const double firstCommit = now() - start;
    uint32_t fileSize = 0;
    db.GetXFile()->SeekToEnd(&fileSize);

    std::vector<uint32_t> order = ids;
    std::shuffle(order.begin(), order.end(), random);
    start = now();
    db.Lock();
    for (uint32_t id : order) {
        SDBNOTE note;
        void *bytes;
        if (!db.ReadNote(id, &note, &bytes))
            return fail("read");
        std::free(bytes);
    }
    db.Unlock();
    const double readSeconds = now() - start;

    // One record added, then committed: only its own bytes are rewritten.
    Latencies appended;
    for (int i = 0; i < oneRecordCommits; ++i) {
        uint32_t id;
        if (!append(db, random, SDB_NO_PARENT, &id))
            return fail("append");
        start = now();
        if (!db.Commit())
            return fail("one-record commit");
        appended.ms.push_back((now() - start) * 1000);
    }
    // One record replaced, then committed: its old copy, somewhere in the
    // file, is dropped and everything behind it moves.
    Latencies replaced;
    for (int i = 0; i < oneRecordCommits / 4; ++i) {
        SDBNOTE note = *db.GetNoteByID(ids[random() % ids.size()]);
        const std::string bytes = body(random);
        note.size = uint32_t(bytes.size());
        if (!db.ChangeNote(&note, bytes.data()))
            return fail("replace");
        start = now();
        if (!db.Commit())
            return fail("one-record commit");
        replaced.ms.push_back((now() - start) * 1000);
    }

    db.Close(1);
    Latencies opens;
    for (int i = 0; i < 5; ++i) {
        start = now();
        if (!db.Open(path.c_str(), magic, 1))
            return fail("open");
        opens.ms.push_back((now() - start) * 1000);
        db.Close(0);
    }

    std::printf("record file with %d records (%u bytes after the first commit)\n", records, fileSize);
    std::printf("  inserts (pending, under one lock):  %.0f per second\n", records / insertSeconds);
    std::printf("  reads by id, random order:         %.0f per second\n", records / readSeconds);
    std::printf("  open:                              %.1f ms median, %.1f ms max of %zu\n", opens.median(),
                opens.max(), opens.ms.size());
    std::printf("  first commit (%d additions):    %.1f ms\n", records, firstCommit * 1000);
    std::printf("  one-record commit, an append:      %.2f ms median, %.2f ms max of %zu\n",
                appended.median(), appended.max(), appended.ms.size());
    std::printf("  one-record commit, a replacement:  %.2f ms median, %.2f ms max of %zu\n",
                replaced.median(), replaced.max(), replaced.ms.size());

    if (!db.Open(path.c_str(), magic, 1))
        return fail("open");
    for (const int size : sizes.commitSizes)
        if (const int failed = runCommits(db, random, size, size >= 10000 ? 3 : sizes.commitRepeats))
            return failed;
    db.Close(0);
    return 0;
}

// Every record read by id in random order from a file of `count` top-level
// records, then a branch of `count` records, each the child of the one
// before, sized and copied out from its top.
int runLarge(const std::string &path, int count)
{
    std::mt19937 random(23);
    {
        BenchmarkDB db;
        if (!db.Create(path.c_str(), magic))
            return fail("create");
        std::vector<uint32_t> ids;
        double start = now();
        db.Lock();
        for (int i = 0; i < count; ++i) {
            uint32_t id;
            if (!append(db, random, SDB_NO_PARENT, &id))
                return fail("insert");
            ids.push_back(id);
        }
        db.Unlock();
        const double insertSeconds = now() - start;
        if (!db.Commit())
            return fail("commit");
        std::shuffle(ids.begin(), ids.end(), random);
        start = now();
        db.Lock();
        for (uint32_t id : ids) {
            SDBNOTE note;
            void *bytes;
            if (!db.ReadNote(id, &note, &bytes) || note.id != id)
                return fail("read");
            std::free(bytes);
        }
        db.Unlock();
        const double readSeconds = now() - start;
        std::printf("record file with %d top-level records\n", count);
        std::printf("  inserts (pending, under one lock):  %.3f s\n", insertSeconds);
        std::printf("  every record read by id, random:   %.3f s\n", readSeconds);
        db.Close(0);
        DeleteFileA(path.c_str());
    }

    BenchmarkDB db;
    if (!db.Create(path.c_str(), magic))
        return fail("create");
    double start = now();
    db.Lock();
    uint32_t top = SDB_NO_PARENT, parent = SDB_NO_PARENT;
    uint64_t expected = 0;
    for (int i = 0; i < count; ++i) {
        SDBNOTE note;
        note.type = 0x10;
        note.parent = parent;
        note.size = 4;
        const uint32_t word = uint32_t(i);
        if (!db.AddNewNote(&note, &word))
            return fail("insert below the last record");
        parent = note.id;
        if (i == 0)
            top = note.id;
        expected += 24 + 4;
    }
    db.Unlock();
    const double insertSeconds = now() - start;
    if (!db.Commit())
        return fail("commit");
    const SDBNOTE *root = db.GetNoteByID(top);
    if (!root)
        return fail("look-up of the branch's top");
    start = now();
    const uint32_t size = db.GetNotesBranch(root, nullptr);
    const double sizeSeconds = now() - start;
    if (size != expected)
        return fail("branch size");
    std::vector<unsigned char> copy(size);
    unsigned char *cursor = copy.data();
    start = now();
    const uint32_t copied = db.GetNotesBranch(root, &cursor);
    const double copySeconds = now() - start;
    if (copied != uint32_t(count) || cursor != copy.data() + size)
        return fail("branch copy");
    std::printf("branch %d records deep\n", count);
    std::printf("  inserts, each below the one before: %.3f s\n", insertSeconds);
    std::printf("  sizing the branch from its top:    %.3f s\n", sizeSeconds);
    std::printf("  copying the branch out:            %.3f s\n", copySeconds);
    db.Close(0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "tembri-records-benchmark-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\Benchmark.prs";
    const Sizes &sizes = testing_support::shortRun(argc, argv) ? shortRun : fullRun;
    int result = run(path, sizes);
    DeleteFileA(path.c_str());
    if (result == 0)
        result = runLarge(path, sizes.largeRecords);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    return result;
}
