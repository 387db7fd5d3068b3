// Not a test: what the record file costs with 10,000 records. Prints inserts
// and reads by id (random order) per second, the open time, and the latency
// of the first commit and of one-record commits (median and maximum), the
// disk flushes of every commit included.
// usage: records_benchmark [--short]   (--short: 500 records, 20 commits)
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
int records = 10000;
int oneRecordCommits = 200;

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

int run(const std::string &path)
{
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
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (testing_support::shortRun(argc, argv)) {
        records = 500;
        oneRecordCommits = 20;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "tembri-records-benchmark-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\Benchmark.prs";
    const int result = run(path);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    return result;
}
