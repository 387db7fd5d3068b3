// Times what a pattern library costs to read: a folder of 40,000 pattern
// files and a volume file of 100,000 entries in one folder, each scanned
// into a fresh tree and then rescanned unchanged (as the library does on
// every change report and every connect). Fails when a scan misses a
// pattern.
// usage: folder_scan_benchmark [--short]   (--short: 400 files, 1,000 entries)
#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/folders/volume_file.h"
#include "testing/benchmark_options.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace Quorvane::DirectoryTrees;

namespace {

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

std::string patternName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "Fill_%06d.mid", i);
    return name;
}

void appendWord(std::string &bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One folder block of n small entries in name order, as the volume writer
// lays them out.
bool writeVolume(const std::string &path, int entries)
{
    std::string bytes(kVolumeMagic, kVolumeMagicSize);
    const std::string data = "MThd-not-read-here";
    for (int i = 0; i < entries; ++i) {
        const std::string name = patternName(i);
        appendWord(bytes, static_cast<uint32_t>(name.size()));
        bytes += name;
        appendWord(bytes, static_cast<uint32_t>(data.size()));
        bytes += data;
    }
    appendWord(bytes, 0);
    appendWord(bytes, 0);
    return testing_support::writeFile(path, bytes);
}

size_t countLeaves(Tree &root)
{
    size_t count = 0;
    LeafIterator leaves(&root);
    for (Leaf *leaf = leaves.current(); leaf; leaf = leaves.next())
        ++count;
    return count;
}

// False when a scan did not find every pattern.
bool scanTwice(const char *title, const std::string &folder, size_t patterns)
{
    FolderNode root(folder, nullptr);
    const double start = nowMs();
    root.rescan();
    const double first = nowMs();
    root.rescan();
    const double again = nowMs();
    const size_t found = countLeaves(root);
    std::printf("%s\n  first scan %.1f ms, rescan unchanged %.1f ms, %zu patterns\n", title, first - start,
                again - first, found);
    if (found != patterns)
        std::fprintf(stderr, "%zu patterns found, not %zu\n", found, patterns);
    return found == patterns;
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = testing_support::shortRun(argc, argv);
    const int folderFiles = quick ? 400 : 40000;
    const int volumeEntries = quick ? 1000 : 100000;
    testing_support::TempFolder files;
    for (int i = 0; i < folderFiles; ++i) {
        HANDLE file = CreateFileA(files.file(patternName(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "cannot create the pattern files\n");
            return 1;
        }
        CloseHandle(file);
    }
    const std::string folderTitle = "Folder of " + std::to_string(folderFiles) + " pattern files:";
    if (!scanTwice(folderTitle.c_str(), files.path(), static_cast<size_t>(folderFiles)))
        return 1;

    testing_support::TempFolder volume;
    if (!writeVolume(volume.file("Big.vol"), volumeEntries)) {
        std::fprintf(stderr, "cannot write the volume\n");
        return 1;
    }
    const std::string volumeTitle =
        "Library holding a volume of " + std::to_string(volumeEntries) + " entries in one folder:";
    return scanTwice(volumeTitle.c_str(), volume.path(), static_cast<size_t>(volumeEntries)) ? 0 : 1;
}
