// A program that loads the equipment database library and lets it go again,
// many times, each time with a damaged database beside it: the library keeps
// the file aside, tells the user (this program answers the box) and starts a
// new database, which it closes when it goes.
//
//   stavrund_reload_probe <loads>
//
// Exit code: 0 when the loads left no handle and no named object behind;
// 1 when a load failed; 2 when a damaged database was not kept aside;
// 3 when the mutex of a database outlived the library; 10 + n when n
// handles were left behind.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_caption;

// Answers the library's message box, which it shows from its entry point.
void CALLBACK answerBox(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) {
            char caption[MAX_PATH] = {};
            GetWindowTextA(window, caption, sizeof caption);
            if (IsWindowVisible(window) && g_caption == caption)
                PostMessageA(window, WM_COMMAND, IDOK, 0);
            return TRUE;
        },
        0);
}

// The handles the process holds.
int countHandles()
{
    int count = 0;
    for (uintptr_t value = 4; value < 0x40000; value += 4) {
        DWORD flags;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

void putU32(std::string &bytes, uint32_t value)
{
    bytes.append(reinterpret_cast<const char *>(&value), 4);
}

bool writeBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Whether the mutex of the id at offset 4 of a database file exists.
bool mutexOfFileExists(const std::string &path)
{
    uint32_t words[4] = {};
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const bool read = std::fseek(file, 4, SEEK_SET) == 0 && std::fread(words, 4, 4, file) == 4;
    std::fclose(file);
    char name[40];
    std::snprintf(name, sizeof name, "SDBM%0X%0X%0X%0X", words[0], words[1], words[2], words[3]);
    HANDLE mutex = read ? OpenMutexA(SYNCHRONIZE, FALSE, name) : nullptr;
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const int loads = argc > 1 ? std::atoi(argv[1]) : 100;
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string path = program;
    const std::string folder = path.substr(0, path.find_last_of('\\'));
    const std::string name = path.substr(folder.size() + 1, path.find_last_of('.') - folder.size() - 1);
    const std::string database = folder + "\\" + name + ".prs", keptAside = database + ".damaged";
    const std::string library = folder + "\\Stavrund.dll";
    g_caption = name;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &answerBox);
    int before = 0;
    for (int load = 0; load < loads; ++load) {
        // "TPRS", an id of this load, and a port record where the root
        // record belongs.
        std::string damaged = "TPRS";
        for (const uint32_t word :
             {0x7E100000u + uint32_t(load), uint32_t(GetCurrentProcessId()), 0x51DBu, 0xDA3Au})
            putU32(damaged, word);
        damaged += std::string("\0\x50", 2);
        putU32(damaged, 3);
        putU32(damaged, 0xFFFFFFFF);
        putU32(damaged, 5);
        damaged += "synth";
        DeleteFileA(database.c_str());
        DeleteFileA(keptAside.c_str());
        if (!writeBytes(database, damaged))
            return 1;
        HMODULE module = LoadLibraryA(library.c_str());
        if (!module)
            return 1;
        FreeLibrary(module);
        if (GetFileAttributesA(keptAside.c_str()) == INVALID_FILE_ATTRIBUTES)
            return 2;
        if (mutexOfFileExists(database) || mutexOfFileExists(keptAside))
            return 3;
        // The first load brings the system's own modules for good.
        if (load == 0)
            before = countHandles();
    }
    KillTimer(nullptr, timer);
    const int left = countHandles() - before;
    DeleteFileA(database.c_str());
    DeleteFileA(keptAside.c_str());
    std::printf("%d loads, %d handles left behind\n", loads, left);
    return left > 0 ? 10 + left : 0;
}
