// What the equipment tests share: private HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT for the whole test program (with the platform's
// DirectShow filter category in it), registry writers, the enumeration's
// result as plain records, and the fixture plug-ins laid out in VST folders.
#pragma once

#include "data/io_params.h"
#include "data/struct_array.h"
#include "testing/sandbox.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace equipment_test {

// A picture of the window in the screenshots folder (made with the
// platform's class registrations); the path, empty on failure.
std::string writeDialogPicture(HWND window, const std::string &name);

// The folder of the test program, with a trailing backslash.
std::string testsFolder();
std::string guidText(const GUID &id);

// Registry writers; each creates the key.
void writeText(HKEY root, const std::string &key, const char *name, const std::string &text);
// The module that hosts a kind of equipment, registered under the key at a
// file that is there (the enumeration lists only kinds whose module is).
void registerHost(const char *key, const char *module);
void writeValue(HKEY root, const std::string &key, const char *name, DWORD type, const void *data,
                DWORD size);
void createKey(HKEY root, const std::string &key);
void deleteKey(HKEY root, const std::string &key);

// One enumerated entry: data as text (kinds by name) or as a class id.
struct Entry {
    std::string name;
    long kind;
    std::string data;
    bool operator==(const Entry &other) const = default;
};
std::ostream &operator<<(std::ostream &out, const Entry &entry);
// The data of a class id entry as Entry::data holds it.
std::string guidData(const GUID &id);

// TindrelEnumPorts; null when it answered null.
std::unique_ptr<Quorvane::CStructArray> enumPorts(long equipmentClass, long kind,
                                                  Quorvane::IOPARAMS *params = nullptr,
                                                  Quorvane::CStructArray *known = nullptr,
                                                  Quorvane::CStructArray *scan = nullptr);
// Data as text (with its terminator), or as a 16-byte class id.
std::vector<Entry> entries(const Quorvane::CStructArray &ports, bool classIds = false);

// The fixture plug-ins by file name, copied into three VST folders with
// sub-folders:
//   one\Instrument.dll, one\effects\Stereo.dll, one\effects\mono\Mono.dll,
//   one\NoEntry.dll, one\readme.txt
//   two\deeper\BadMagic.dll, two\Bridge.dll
//   three\b\Crash.dll, three\a\Throw.dll
class VstFolders {
public:
    VstFolders();
    // Frees what a crashed plug-in left loaded, so the folder can go.
    ~VstFolders();
    VstFolders(const VstFolders &) = delete;
    VstFolders &operator=(const VstFolders &) = delete;

    const std::string &root() const { return temp_.path(); }
    std::string folder(int which) const; // 1..3
    std::string path(const std::string &relative) const { return temp_.file(relative); }
    // Copies a fixture library (by its built name) to a path below the root.
    void place(const std::string &fixture, const std::string &relative) const;
    // The I/O parameters with the three folders.
    Quorvane::IOPARAMS params() const;
    // What the fixtures wrote while the test ran, line by line.
    std::vector<std::string> fixtureLog() const;
    void clearFixtureLog() const;

private:
    testing_support::TempFolder temp_;
    std::string log_;
};

// A list of SIMPLE_STRING elements (the known list or the scan cache).
std::unique_ptr<Quorvane::CStructArray> stringList();
void addString(Quorvane::CStructArray &list, const std::string &text, uint32_t param1, uint32_t param2);
struct ScanEntry {
    std::string path;
    uint32_t value;
    uint32_t recordId;
    bool operator==(const ScanEntry &other) const = default;
};
std::ostream &operator<<(std::ostream &out, const ScanEntry &entry);
std::vector<ScanEntry> scanEntries(const Quorvane::CStructArray &list);

} // namespace equipment_test
