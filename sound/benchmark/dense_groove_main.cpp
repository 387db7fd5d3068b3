// Writes the render benchmark's dense groove as a Standard MIDI File.
// usage: dense_groove_writer FILE.mid
#include "sound/benchmark/dense_groove.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dense_groove_writer FILE.mid\n");
        return 2;
    }
    std::string error;
    if (!render_benchmark::writeDenseGroove(argv[1], &error)) {
        std::fprintf(stderr, "dense_groove_writer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
