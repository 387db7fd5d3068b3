// Writes the starter fill library into the folder given on the command line.
#include "plugin/fill/content/fill_content.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fill_content_generator <Fills folder>\n");
        return 2;
    }
    std::string error;
    if (!Quorvane::FillContent::writeStarterLibrary(argv[1], &error)) {
        std::fprintf(stderr, "fill_content_generator: %s\n", error.c_str());
        return 1;
    }
    std::printf("%u starter fills written to %s\n",
                static_cast<unsigned>(Quorvane::FillContent::starterFills().size()), argv[1]);
    return 0;
}
