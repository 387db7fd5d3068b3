// The program's side of the drummer: attach, parameters by number, note
// names. Every call comes on the program's user-interface thread; changes
// come back to the program through the engine's parameter reports.
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

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::Attach(IDrummerSink *sink, DWORD cookie)
{
    // Attaching again replaces sink and cookie; the chain holds each
    // drummer once. A null sink leaves the chain.
    if (sink)
        requesters().attach(this, sink, cookie);
    else
        requesters().detach(this);
    return S_OK;
}

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
    case QN3DynamicsLevel:
        *value = outputDynamics().level();
        break;
    case QN3Gain:
        *value = outputDynamics().gain();
        break;
    case QN3DynamicsPercent:
        *value = outputDynamics().percent();
        break;
    default:
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
        case QN3DynamicsLevel:
            outputDynamics().setLevel(clampTo(value, 0, 127));
            break;
        case QN3Gain:
            outputDynamics().setGain(clampTo(value, -8191, 8191));
            break;
        case QN3DynamicsPercent:
            outputDynamics().setPercent(clampTo(value, 0, 100));
            break;
        default:
            break;
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GrindelvosketMFX::GetNoteName(LONG note, char *buffer, LONG length)
{
    if (note < 0 || note > 127)
        return E_INVALIDARG;
    try {
        return answerNoteName(noteNames().getNoteNameOrDefault(note), buffer, length);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace Quorvane
