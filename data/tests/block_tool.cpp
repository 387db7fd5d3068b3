// Packs or unpacks a compressed block between two files, so that a script
// can check the blocks against the bzip2 command.
//
//   block_tool compress <source> <block>
//   block_tool expand <block> <target>
#include "data/raw_compress.h"
#include "data/storage.h"

#include <cstdio>
#include <cstring>

using namespace Quorvane;

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: block_tool compress|expand <in> <out>\n");
        return 2;
    }
    CFileStorage in(argv[2], "rb");
    CFileStorage out(argv[3], "wb");
    if (!in.IsOpen() || !out.IsOpen()) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[2], argv[3]);
        return 2;
    }
    int ok = 0;
    if (std::strcmp(argv[1], "compress") == 0)
        ok = CRawCompress(&in, &out).IsOk();
    else if (std::strcmp(argv[1], "expand") == 0)
        ok = CRawExpand(&in, &out).IsOk();
    if (out.WasError())
        ok = 0;
    std::printf("%s %s: %s\n", argv[1], argv[2], ok ? "ok" : "failed");
    return ok ? 0 : 1;
}
