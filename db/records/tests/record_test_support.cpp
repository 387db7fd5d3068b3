#include "db/records/tests/record_test_support.h"

#include "db/records/record_scan.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace records_test {

using namespace Quorvane;

Bytes u32(uint32_t value)
{
    Bytes bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

Bytes headBytes(uint32_t magic, const DBUID &uid)
{
    Bytes bytes = u32(magic);
    for (uint32_t word : uid.m_words)
        bytes += u32(word);
    return bytes;
}

Bytes recordBytes(uint8_t flags, uint8_t type, uint32_t id, uint32_t parent, const Bytes &body)
{
    return Bytes{char(flags), char(type)} + u32(id) + u32(parent) + u32(uint32_t(body.size())) + body;
}

DBUID freshUid()
{
    static std::atomic<uint32_t> serial{0};
    DBUID uid;
    uid.m_words[0] = 0x7E570000 + ++serial;
    uid.m_words[1] = GetCurrentProcessId();
    uid.m_words[2] = GetTickCount() | 1;
    uid.m_words[3] = 0x51DB;
    return uid;
}

Bytes journalBytes(uint32_t magic, const DBUID &uid, uint32_t from, uint32_t end, const Bytes &body)
{
    Bytes head = "SDJ2" + u32(magic);
    for (uint32_t word : uid.m_words)
        head += u32(word);
    head += u32(from) + u32(end) + u32(uint32_t(body.size()));
    uint32_t sum = 0x811C9DC5u;
    for (unsigned char c : head + body)
        sum = (sum ^ c) * 0x01000193u;
    return head + u32(sum) + body;
}

Bytes firstLayoutJournalBytes(uint32_t magic, const DBUID &uid, uint32_t from, uint32_t end,
                              const Bytes &body)
{
    Bytes head = "SDBJ" + u32(magic);
    for (uint32_t word : uid.m_words)
        head += u32(word);
    return head + u32(from) + u32(end) + body;
}

uint32_t addRecord(CSDB &db, uint8_t type, uint32_t parent, const Bytes &body)
{
    SDBNOTE note;
    note.type = type;
    note.parent = parent;
    note.size = uint32_t(body.size());
    return db.AddNewNote(&note, body.data()) ? note.id : SDB_NO_PARENT;
}

Bytes bodyOf(CSDB &db, uint32_t id)
{
    SDBNOTE note;
    void *body;
    if (!db.ReadNote(id, &note, &body))
        return "<missing>";
    Bytes bytes(static_cast<const char *>(body), note.size);
    std::free(body);
    return bytes;
}

int StringCodec::Read(CXFile *file)
{
    char *read;
    if (!file->ReadString(&read))
        return 0;
    text = read ? read : "";
    std::free(read);
    return 1;
}

// ---- change hook

namespace {

ChangeHook::Mode g_mode;
uint32_t g_at;
std::atomic<uint32_t> g_changes{0};

uint32_t hookChange(const XFileChangeInfo &change)
{
    const uint32_t count = change.count;
    const uint32_t n = ++g_changes;
    const bool fail = (g_mode == ChangeHook::Mode::FailOne && n == g_at) ||
                      (g_mode == ChangeHook::Mode::FailFrom && n >= g_at);
    return fail ? 0 : count;
}

} // namespace

ChangeHook::ChangeHook(Mode mode, uint32_t n)
{
    g_mode = mode;
    g_at = n;
    g_changes = 0;
    SetXFileChangeHook(hookChange);
}

ChangeHook::~ChangeHook()
{
    SetXFileChangeHook(nullptr);
}

uint32_t ChangeHook::count() const
{
    return g_changes;
}

// ---- copies for the independent reader

void emptyFolder(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
}

std::string testExecutableFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\'));
}

namespace {

// FNV-1a, 64 bits: the body hash of the listings.
uint64_t fnv1a(const void *bytes, size_t length)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<const unsigned char *>(bytes)[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// The test run's kept files: one folder per run of the program, named by
// RECORD_FILES_RUN ("all" when unset), so that runs of parts of the program
// at once keep apart.
std::string readerFolder()
{
    const std::string parent = testExecutableFolder() + "\\record_files";
    CreateDirectoryA(parent.c_str(), nullptr);
    char run[64];
    const DWORD length = GetEnvironmentVariableA("RECORD_FILES_RUN", run, sizeof run);
    return parent + "\\" + (length > 0 && length < sizeof run ? run : "all");
}

void writeListing(CXFile &file, uint32_t end, FILE *listing)
{
    uint32_t magic = 0;
    file.SeekToPos(0);
    file.Read32(&magic);
    std::fprintf(listing, "magic %08x\n", magic);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[SDB_CHUNK_SIZE]);
    RecordScanner scanner(file, end, buffer.get(), SDB_CHUNK_SIZE);
    for (;;) {
        SDBNOTE note;
        const RecordScanner::Step step = scanner.Next(note);
        if (step != RecordScanner::Step::Record) {
            const char *ending = step == RecordScanner::Step::End            ? "clean"
                                 : step == RecordScanner::Step::TornAddition ? "torn"
                                                                             : "damaged";
            std::fprintf(listing, "end %s %u\n", ending, scanner.Position());
            return;
        }
        std::string body(note.size, '\0');
        file.SeekToPos(note.position + SDB_HEADER_SIZE);
        file.Read(body.data(), note.size);
        std::fprintf(listing, "record %u %u %u %u %u %u %016llx\n", note.position, note.flags, note.type,
                     note.id, note.parent, note.size, (unsigned long long)fnv1a(body.data(), body.size()));
    }
}

} // namespace

void keepForReader(const std::string &path)
{
    static std::atomic<int> serial{0};
    // Every run of the tests starts with an empty folder of kept files.
    static const bool started = (emptyFolder(readerFolder()), true);
    (void)started;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string label = test ? std::string(test->test_suite_name()) + "." + test->name() : "run";
    for (char &c : label)
        if (c == '/' || c == '\\')
            c = '_';
    const std::string copy = readerFolder() + "\\" + label + "-" + std::to_string(++serial);
    if (!testing_support::writeFile(copy + ".sdb", testing_support::readFile(path)))
        ADD_FAILURE() << "cannot keep " << path;
    CXFile file;
    uint32_t end = 0;
    FILE *listing = std::fopen((copy + ".txt").c_str(), "w");
    if (!listing || !file.Open((copy + ".sdb").c_str(), 0) || !file.SeekToEnd(&end)) {
        ADD_FAILURE() << "cannot list " << path;
        if (listing)
            std::fclose(listing);
        return;
    }
    writeListing(file, end, listing);
    std::fclose(listing);
}

} // namespace records_test
