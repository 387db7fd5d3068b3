#include "testing/import_table.h"

#include <cstring>

namespace testing_support {

bool writeImportEntry(FARPROC *entry, FARPROC value)
{
    DWORD protection = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection))
        return false;
    *entry = value;
    VirtualProtect(entry, sizeof *entry, protection, &protection);
    return true;
}

FARPROC replaceImport(HMODULE module, const char *name, FARPROC standIn)
{
    FARPROC original = nullptr;
    forEachImport(module, [&](const char *imported, FARPROC *entry) {
        if (std::strcmp(imported, name) == 0 && *entry != standIn) {
            original = *entry;
            writeImportEntry(entry, standIn);
        }
        return true;
    });
    return original;
}

} // namespace testing_support
