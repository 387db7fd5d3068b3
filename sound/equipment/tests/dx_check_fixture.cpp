// A stand-in for the "Tembri DX" module: it can host every filter of the
// tests but one, and none of the system's own.
#include "sound/equipment/tests/equipment_test_ids.h"

#include <cstring>

extern "C" __declspec(dllexport) BOOL CheckDXAudioFilter(const CLSID *filter)
{
    using namespace equipment_test;
    const GUID family = TestId(0);
    return filter && std::memcmp(filter, &family, sizeof family - 1) == 0 &&
           !IsEqualGUID(*filter, kRejectedFilter);
}
