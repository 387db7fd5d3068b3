#include "plugin/framework/plugin/host_integration.h"

#include "plugin/framework/mfx/mfx_host.h"
#include "plugin/framework/plugin/host_record.h"

#include "base/registry.h"
#include "plugin/framework/plugin/host_memory.h"
#include "base/message_box.h"

#include <winver.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace Quorvane {

namespace {

bool missingTemplateReported = false;

// Fixed-size text fields of a row need not end with a zero.
std::string field(const char *text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

std::string fileVersionOf(HMODULE module)
{
    char path[MAX_PATH] = {};
    if (!GetModuleFileNameA(module, path, MAX_PATH))
        return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (!size)
        return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data()))
        return {};
    struct Translation {
        WORD language;
        WORD codePage;
    } *translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translations),
                        &length) ||
        length < sizeof(Translation))
        return {};
    char query[64];
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\FileVersion", translations[0].language,
              translations[0].codePage);
    char *version = nullptr;
    if (!VerQueryValueA(data.data(), query, reinterpret_cast<void **>(&version), &length) || !version)
        return {};
    return std::string(version, strnlen(version, length));
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    reinterpret_cast<std::vector<WORD> *>(found)->push_back(language);
    return TRUE;
}

BOOL CALLBACK collectStringBlock(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR found)
{
    EnumResourceLanguagesA(module, type, name, collectLanguage, found);
    return TRUE;
}

bool hasStringsInLanguage(HMODULE module, int32_t language)
{
    std::vector<WORD> languages;
    EnumResourceNamesA(module, RT_STRING, collectStringBlock, reinterpret_cast<LONG_PTR>(&languages));
    const WORD wanted = static_cast<WORD>(language ? language : 1033);
    return std::find(languages.begin(), languages.end(), wanted) != languages.end();
}

// The loaded module of a row's program when it is that build; else null.
HMODULE matchingModule(const HostBuildRow &row)
{
    const std::string program = field(row.programFile, sizeof(row.programFile));
    if (program.empty())
        return nullptr;
    HMODULE module = GetModuleHandleA(program.c_str());
    if (!module)
        return nullptr;
    if (fileVersionOf(module) != field(row.fileVersion, sizeof(row.fileVersion)))
        return nullptr;
    return hasStringsInLanguage(module, row.language) ? module : nullptr;
}

bool lastRow(const HostBuildRow &row)
{
    return row.fileVersion[0] == 0;
}

// A zero-terminated string of the host, at most limit bytes.
std::string readHostString(uintptr_t address, size_t limit)
{
    std::string text;
    char c = 0;
    while (text.size() < limit && readHostBytes(address + text.size(), &c, 1) && c)
        text += c;
    return text;
}

std::string templateType(uintptr_t docTemplate)
{
    uintptr_t strings = 0;
    if (!readHostPointer(docTemplate, hostInfoRecord().values[TemplateDocStrings], &strings))
        return {};
    const std::string all = readHostString(strings, 1024);
    size_t begin = 0;
    for (int n = 0; n < kTemplateTypeField; ++n) {
        begin = all.find('\n', begin);
        if (begin == std::string::npos)
            return {};
        ++begin;
    }
    return all.substr(begin, all.find('\n', begin) - begin);
}

void post(WPARAM command)
{
    if (HWND main = hostInfoRecord().windows.main)
        PostMessageA(main, WM_COMMAND, command, 0);
}

} // namespace

HostInfo &hostInfoRecord()
{
    static HostInfo info;
    return info;
}

const HostInfo &hostInfo()
{
    return hostInfoRecord();
}

bool hostIntegrationSwitchedOn()
{
    return readAppRegistryValue("Undocumented", "HostIntegration", 1, false) != 0;
}

int identifyHostBuild()
{
    HostInfo &info = hostInfoRecord();
    findHostWindows();
    info.row = HostBuildRow{};
    std::fill(std::begin(info.values), std::end(info.values), 0);
    info.rowIndex = -1;
    info.docTemplate = 0;
    info.active = false;

    const HostBuildRow *table = hostBuildTable();
    if (!hostIntegrationSwitchedOn() || !table || lastRow(table[0]))
        return -1;
    for (int index = 0; !lastRow(table[index]); ++index) {
        HMODULE module = matchingModule(table[index]);
        if (!module)
            continue;
        info.row = table[index];
        const uintptr_t shift = reinterpret_cast<uintptr_t>(module) - info.row.preferredBase;
        for (int v = 0; v < kHostValueCount; ++v) {
            info.values[v] = info.row.values[v];
            if (v < kHostFirstOffset && info.values[v])
                info.values[v] += shift;
        }
        info.rowIndex = index;
        info.docTemplate = findHostDocTemplate();
        if (info.docTemplate) {
            info.active = true;
            return 0;
        }
        info.rowIndex = -1;
        if (!missingTemplateReported) {
            missingTemplateReported = true;
            showMessageBox(info.windows.main, "Can't find DocTemplate", "Quorvane Host Integration",
                           MB_OK | MB_ICONWARNING);
        }
        return 1;
    }
    return -1;
}

uintptr_t findHostDocTemplate()
{
    const HostInfo &info = hostInfoRecord();
    const std::string wanted = field(info.row.documentType, sizeof(info.row.documentType));
    if (wanted.empty())
        return 0;
    uintptr_t manager = 0;
    if (!readHostPointer(info.values[HostAppObject], info.values[AppDocumentManager], &manager))
        return 0;
    return walkHostList(manager, info.values[ManagerTemplates],
                        [&](uintptr_t docTemplate) { return templateType(docTemplate) == wanted; });
}

void postHostCommand32797()
{
    post(MAKEWPARAM(kMfxHostTransportCommand0, 1));
}

void postHostCommand32797Twice()
{
    postHostCommand32797();
    postHostCommand32797();
}

void postHostCommand32798()
{
    post(MAKEWPARAM(kMfxHostTransportCommand1, 1));
}

bool isHostIntegrationActive()
{
    return hostInfoRecord().active;
}

HWND getHostMainWindow()
{
    return hostInfoRecord().windows.main;
}

HWND getActiveMdiChild()
{
    HWND client = hostInfoRecord().windows.mdiClient;
    return client && IsWindow(client) ? GetTopWindow(client) : nullptr;
}

bool getHostLevelAtLeast2()
{
    return hostInfoRecord().active && hostInfoRecord().row.level >= 2;
}

uintptr_t getHostActiveDocument()
{
    const HostInfo &info = hostInfoRecord();
    uintptr_t document = 0;
    if (!info.active || !readHostBytes(info.values[HostActiveDocument], &document, sizeof(document)))
        return 0;
    return document;
}

int32_t getHostCurrentTrack()
{
    int32_t track = -1;
    if (!readHostInt32(getHostActiveDocument(), hostInfoRecord().values[DocumentCurrentTrack], &track))
        return -1;
    return track;
}

int32_t getHostNowTicks()
{
    int32_t now = -1;
    if (!readHostInt32(getHostActiveDocument(), hostInfoRecord().values[DocumentNow], &now))
        return -1;
    return now;
}

void resetHostInfo()
{
    hostInfoRecord() = HostInfo{};
    missingTemplateReported = false;
}

} // namespace Quorvane
