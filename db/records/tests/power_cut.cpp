#include "db/records/tests/power_cut.h"

#include "db/records/record_scan.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <random>
#include <set>

namespace power_cut {

using namespace Quorvane;

namespace {

std::string baseName(const char *path)
{
    const std::string name = path ? path : "";
    const size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::vector<Change> g_changes;
uint64_t g_seed = 0;
size_t g_drawsPerCut = 0;
size_t g_statesChecked = 0;

uint32_t recordChange(const XFileChangeInfo &info)
{
    Change change{info.change, baseName(info.file), baseName(info.newName), info.offset, {}};
    if (info.change == XFileChange::Write)
        change.bytes.assign(static_cast<const char *>(info.bytes), info.count);
    g_changes.push_back(change);
    return info.count;
}

// How a change reached the disk: whole, torn at a sector's end it crosses
// (its first `tornAfter` bytes kept), or as a length without the bytes.
enum class Kept { Whole, Torn, LengthOnly };

void apply(Files &files, const Change &change, Kept kept = Kept::Whole, size_t tornAfter = 0)
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
        const size_t n = kept == Kept::Torn ? tornAfter : change.bytes.size();
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

// The bytes of a write before the first sector's end it crosses.
size_t firstTear(const Change &change)
{
    return SectorSize - change.offset % SectorSize;
}

bool tearable(const Change &change)
{
    return change.change == XFileChange::Write && firstTear(change) < change.bytes.size();
}

bool extends(const Files &files, const Change &change)
{
    auto file = files.find(change.file);
    return change.change == XFileChange::Write && file != files.end() &&
           change.offset + change.bytes.size() > file->second.size();
}

} // namespace

Recorder::Recorder()
{
    g_changes.clear();
    SetXFileChangeHook(recordChange);
}

Recorder::~Recorder()
{
    SetXFileChangeHook(nullptr);
}

const std::vector<Change> &Recorder::changes() const
{
    return g_changes;
}

Files snapshot(const std::string &folder)
{
    Files files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files[found.cFileName] = testing_support::readFile(folder + "\\" + found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return files;
}

void writeState(const std::string &folder, const Files &files)
{
    records_test::emptyFolder(folder);
    for (const auto &[name, bytes] : files)
        testing_support::writeFile(folder + "\\" + name, bytes);
}

std::vector<Change> coalesced(const std::vector<Change> &changes)
{
    std::vector<Change> joined;
    for (const Change &change : changes) {
        Change *last = joined.empty() ? nullptr : &joined.back();
        if (last && change.change == XFileChange::Write && last->change == XFileChange::Write &&
            last->file == change.file && last->offset + last->bytes.size() == change.offset)
            last->bytes += change.bytes;
        else
            joined.push_back(change);
    }
    return joined;
}

namespace {

// Everything a cut after the first `cut` changes may leave of `start`: the
// fixed states, then `draws` random ones.
std::vector<Files> statesAt(const Files &start, const std::vector<Change> &changes, size_t cut, size_t draws,
                            std::mt19937_64 &random)
{
    // A change is durable once a flush of its file follows it.
    std::vector<bool> durable(cut, false);
    for (size_t i = 0; i < cut; ++i) {
        if (changes[i].change != XFileChange::Flush)
            continue;
        for (size_t j = 0; j <= i; ++j)
            if (changes[j].file == changes[i].file)
                durable[j] = true;
    }
    std::vector<size_t> open;
    for (size_t i = 0; i < cut; ++i)
        if (!durable[i])
            open.push_back(i);
    // The files with the durable changes and the chosen open ones;
    // `special` reaches the disk as `how`.
    auto build = [&](const std::function<bool(size_t)> &kept, size_t special = SIZE_MAX,
                     Kept how = Kept::Whole, size_t tornAfter = 0) {
        Files files = start;
        for (size_t i = 0; i < cut; ++i) {
            if (i == special)
                apply(files, changes[i], how, tornAfter);
            else if (durable[i] || kept(i))
                apply(files, changes[i]);
        }
        return files;
    };
    std::vector<Files> states;
    for (size_t n = 0; n <= open.size(); ++n) // each prefix, none and all among them
        states.push_back(build([&](size_t i) { return n > 0 && i <= open[n - 1]; }));
    for (size_t o : open) {
        states.push_back(build([&](size_t i) { return i == o; }));
        states.push_back(build([&](size_t i) { return i != o; }));
        if (tearable(changes[o]))
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::Torn, firstTear(changes[o])));
        if (extends(build([&](size_t i) { return i < o; }), changes[o])) {
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::LengthOnly));
            states.push_back(build([](size_t) { return true; }, o, Kept::LengthOnly));
        }
    }
    for (size_t draw = 0; draw < draws && !open.empty(); ++draw) {
        // Each open change kept at a density drawn first, so that both
        // sparse and nearly whole subsets come up; a write not kept may
        // still have reached the disk torn at a random sector's end, or as
        // a length without its bytes.
        std::bernoulli_distribution keeps(std::uniform_real_distribution<>(0, 1)(random));
        Files files = start;
        for (size_t i = 0; i < cut; ++i) {
            const Change &change = changes[i];
            const unsigned lost = random() % 4;
            if (durable[i] || keeps(random)) {
                apply(files, change);
            } else if (lost == 1 && tearable(change)) {
                const size_t tears = (change.bytes.size() - firstTear(change) - 1) / SectorSize + 1;
                apply(files, change, Kept::Torn, firstTear(change) + random() % tears * SectorSize);
            } else if (lost == 2 && change.change == XFileChange::Write) {
                apply(files, change, Kept::LengthOnly);
            }
        }
        states.push_back(files);
    }
    return states;
}

} // namespace

size_t forEveryState(const Files &start, const std::vector<Change> &changes,
                     const std::function<bool(size_t cut, const Files &state)> &check)
{
    std::mt19937_64 random(g_seed);
    std::set<Files> seen;
    for (size_t cut = 0; cut <= changes.size(); ++cut)
        for (const Files &state : statesAt(start, changes, cut, g_drawsPerCut, random))
            if (seen.insert(state).second && (++g_statesChecked, !check(cut, state)))
                return seen.size();
    return seen.size();
}

void drawRandomStates(uint64_t seed, size_t drawsPerCut)
{
    g_seed = seed;
    g_drawsPerCut = drawsPerCut;
}

size_t statesChecked()
{
    return g_statesChecked;
}

} // namespace power_cut
