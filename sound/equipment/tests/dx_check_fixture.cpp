// A stand-in for the "Tembri DX" module: it can host every DirectX filter
// but one.
#include "sound/equipment/tests/equipment_test_ids.h"

extern "C" __declspec(dllexport) BOOL CheckDXAudioFilter(const CLSID *filter)
{
    return filter && !IsEqualGUID(*filter, equipment_test::kRejectedFilter);
}
