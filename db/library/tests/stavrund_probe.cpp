// A program that uses the equipment database library: it checks the first
// time, stores I/O parameters and commits. The exit code tells the test
// what happened: 1 for a first time, plus 2 when the parameters stored,
// plus 4 when they read back.
#include "db/library/stavrund_functions.h"

#include <cstring>

int main()
{
    using namespace Quorvane;
    int code = CDBCheckFirstTime(30) ? 1 : 0;
    IOPARAMS params;
    params.sampleRate = 48000;
    params.SetString(IOSTR_VSTDIR1, "C:\\Probe\\Vst");
    if (CDBSetIOParams(&params))
        code |= 2;
    IOPARAMS read;
    if (CDBGetIOParams(&read) && read.sampleRate == 48000)
        code |= 4;
    CDBCommitModifications();
    return code;
}
