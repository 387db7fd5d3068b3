// What the listing programs of both drummers' mido cross-checks set up
// before they write: a private settings key, a data folder holding the
// drummer's library, and the listing file in the output folder.
// usage: <program> <folder>
#pragma once

#include "testing/sandbox.h"

#include <cstdio>
#include <string>

namespace drummer_testing {

class ListingSetup {
public:
    using WriteLibrary = bool (*)(const std::string &folder, std::string *error);
    using SetDataFolder = void (*)(const std::string &folder);

    ListingSetup() = default;
    ~ListingSetup();
    ListingSetup(const ListingSetup &) = delete;
    ListingSetup &operator=(const ListingSetup &) = delete;

    // 0 when ready to write; otherwise the program's exit code (2 for a
    // wrong call, 1 when the library or the listing cannot be written),
    // said on stderr where there is something to say.
    int prepare(int argc, char **argv, const char *program, const char *libraryFolder,
                WriteLibrary writeLibrary, SetDataFolder setDataFolder);

    // The output folder and the open listing file in it.
    const std::string &folder() const { return folder_; }
    FILE *listing() const { return listing_; }

private:
    testing_support::RegistrySandbox registry_;
    testing_support::TempFolder data_;
    std::string folder_;
    FILE *listing_ = nullptr;
};

} // namespace drummer_testing
