// Writes the starter loop library into the folder given on the command line.
#include "plugin/slice/content/starter_loops.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: slice_content_generator <Patterns folder>\n");
        return 2;
    }
    std::string error;
    if (!Quorvane::LoopSlice::StarterLoops::writeStarterLibrary(argv[1], &error)) {
        std::fprintf(stderr, "slice_content_generator: %s\n", error.c_str());
        return 1;
    }
    std::printf("%u starter patterns written to %s\n",
                static_cast<unsigned>(Quorvane::LoopSlice::StarterLoops::starterPatterns().size()), argv[1]);
    return 0;
}
