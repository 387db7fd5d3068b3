// Writes the starter style into the styles folder given on the command line
// (beside the program), from the starter loops and fills laid out beside it.
#include "app/starter/starter_style.h"
#include "base/registry.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/slice/engine/slice_module.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    using namespace Quorvane;
    if (argc != 2) {
        std::fprintf(stderr, "usage: starter_style_generator <styles folder>\n");
        return 2;
    }
    const std::string styles = argv[1];
    const size_t slash = styles.find_last_of('\\');
    if (slash == std::string::npos) {
        std::fprintf(stderr, "starter_style_generator: %s lies in no folder\n", styles.c_str());
        return 2;
    }
    const std::string folder = styles.substr(0, slash);
    // The drummers keep their settings under a product of the generator's
    // own, removed again afterwards.
    const std::string product = "StarterStyleGenerator" + std::to_string(GetCurrentProcessId());
    initAppRegistry(product.c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    FillModule::setDataFolder(folder);
    LoopSlice::SliceModule::setDataFolder(folder);
    CreateDirectoryA(styles.c_str(), nullptr);
    const std::string path = styles + "\\" + StarterStyle::kFileName;
    std::string error;
    const bool written = StarterStyle::Write(path, &error);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Quorvane\\" + product).c_str());
    if (!written) {
        std::fprintf(stderr, "starter_style_generator: %s\n", error.c_str());
        return 1;
    }
    std::printf("starter style written to %s\n", path.c_str());
    return 0;
}
