// A module's import address table, which its calls into other modules go
// through: tests put stand-ins there to count calls or to play a device
// that this machine does not have. For tests and benchmarks only.
#pragma once

#include <windows.h>

namespace testing_support {

// Calls visit with the name and the address-table entry of every import of
// the module that is imported by name; false when its import table could
// not be read. visit answers false to stop the walk.
template <typename Visit> bool forEachImport(HMODULE module, Visit &&visit);

// Puts standIn in every entry of the module that imports name and answers
// what was there (null when the module does not import it).
FARPROC replaceImport(HMODULE module, const char *name, FARPROC standIn);

// Writes one address-table entry.
bool writeImportEntry(FARPROC *entry, FARPROC value);

template <typename Visit> bool forEachImport(HMODULE module, Visit &&visit)
{
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return false;
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return false;
    for (auto *library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        // The lookup table keeps the names; the address table is what calls
        // go through.
        if (library->OriginalFirstThunk == 0)
            continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + library->OriginalFirstThunk);
        auto *entries = reinterpret_cast<IMAGE_THUNK_DATA *>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (!visit(reinterpret_cast<const char *>(byName->Name),
                       reinterpret_cast<FARPROC *>(&entries->u1.Function)))
                return true;
        }
    }
    return true;
}

} // namespace testing_support
