#include "db/records/tests/power_cut.h"

#include "db/records/record_scan.h"
#include "testing/sandbox.h"

#include <windows.h>

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

uint32_t recordChange(const XFileChangeInfo &info)
{
    Change change{info.change, baseName(info.file), baseName(info.newName), info.offset, {}};
    if (info.change == XFileChange::Write)
        change.bytes.assign(static_cast<const char *>(info.bytes), info.count);
    g_changes.push_back(change);
    return info.count;
}

// How a change reached the disk: whole, torn at the first sector's end it
// crosses, or as a length without the bytes.
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

std::vector<Files> statesAt(const Files &start, const std::vector<Change> &changes, size_t cut)
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
        states.push_back(build([&](size_t i) { return n > 0 && i <= open[n - 1]; }));
    for (size_t o : open) {
        states.push_back(build([&](size_t i) { return i == o; }));
        states.push_back(build([&](size_t i) { return i != o; }));
        if (tearable(changes[o]))
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::Torn));
        if (extends(build([&](size_t i) { return i < o; }), changes[o])) {
            states.push_back(build([&](size_t i) { return i < o; }, o, Kept::LengthOnly));
            states.push_back(build([](size_t) { return true; }, o, Kept::LengthOnly));
        }
    }
    return states;
}

size_t forEveryState(const Files &start, const std::vector<Change> &changes,
                     const std::function<bool(size_t cut, const Files &state)> &check)
{
    std::set<Files> seen;
    for (size_t cut = 0; cut <= changes.size(); ++cut)
        for (const Files &state : statesAt(start, changes, cut))
            if (seen.insert(state).second && !check(cut, state))
                return seen.size();
    return seen.size();
}

} // namespace power_cut
