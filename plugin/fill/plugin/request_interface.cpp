// The program's side of the fill drummer: its parameters by number. Every
// call comes on the program's user-interface thread; changes come back to
// the program through the engine's parameter reports.
#include "plugin/fill/plugin/grindelvosket_mfx.h"

#include <algorithm>

namespace Quorvane {

namespace {

int32_t clampTo(int64_t value, int32_t low, int32_t high)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

LONG zoneFlag(int32_t flag)
{
    return flag ? 3 : 0;
}

} // namespace

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::GetParam(LONG id, LONG, LONG *value)
{
    if (!value)
        return E_POINTER;
    switch (id) {
    case QN3FillMeasure:
        *value = fillMeasure() - 1;
        break;
    case QN3PunchIn:
        *value = punchIn();
        break;
    case QN3PunchOut:
        *value = punchOut();
        break;
    case QN3MaskMode:
        *value = maskMode();
        break;
    case QN3PreZone:
        *value = zoneFlag(preZone());
        break;
    case QN3AfterZone:
        *value = zoneFlag(afterZone());
        break;
    default:
        if (!getDynamicsParam(id, value))
            *value = 0;
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::SetParam(LONG id, LONG, LONG value)
{
    try {
        switch (id) {
        case QN3FillMeasure:
            setFillMeasure(clampTo(int64_t{value} + 1, 1, 1000));
            break;
        case QN3PunchIn:
            setPunchIn(value);
            break;
        case QN3PunchOut:
            setPunchOut(value);
            break;
        case QN3MaskMode:
            setZones(-1, value, -1, false);
            break;
        case QN3PreZone:
            setZones(value != 0, -1, -1, false);
            break;
        case QN3AfterZone:
            setZones(-1, -1, value != 0, false);
            break;
        default:
            setDynamicsParam(id, value);
            break;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace Quorvane
