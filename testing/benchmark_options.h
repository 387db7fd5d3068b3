// What every benchmark program accepts: "--short" runs a few bars or a few
// blocks (seconds at most), so that CI can run each one once.
#pragma once

#include <cstring>

namespace testing_support {

inline bool shortRun(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--short") == 0)
            return true;
    return false;
}

} // namespace testing_support
