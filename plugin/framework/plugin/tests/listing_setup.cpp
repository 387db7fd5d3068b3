#include "plugin/framework/plugin/tests/listing_setup.h"

#include "base/registry.h"

#include <windows.h>

namespace drummer_testing {

ListingSetup::~ListingSetup()
{
    if (listing_)
        fclose(listing_);
}

int ListingSetup::prepare(int argc, char **argv, const char *program, const char *libraryFolder,
                          WriteLibrary writeLibrary, SetDataFolder setDataFolder)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s <folder>\n", program);
        return 2;
    }
    folder_ = argv[1];
    Quorvane::initAppRegistry(registry_.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    std::string error;
    if (!writeLibrary(data_.path() + "\\" + libraryFolder, &error)) {
        fprintf(stderr, "library: %s\n", error.c_str());
        return 1;
    }
    setDataFolder(data_.path());
    listing_ = fopen((folder_ + "\\listing.txt").c_str(), "w");
    return listing_ ? 0 : 1;
}

} // namespace drummer_testing
