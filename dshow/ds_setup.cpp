#include "dshow/ds_setup.h"

HRESULT DsRegisterFilterSetup(const DsFilterSetup *setup, IFilterMapper *mapper, BOOL doRegister)
{
    if (!setup)
        return S_FALSE;
    const CLSID &filter = *setup->classId;
    // Always removed first, so that a registration replaces what was there.
    HRESULT hr = mapper->UnregisterFilter(filter);
    if (doRegister) {
        hr = mapper->RegisterFilter(filter, setup->name, setup->merit);
        for (UINT p = 0; SUCCEEDED(hr) && p < setup->pinCount; ++p) {
            const DsPinSetup &pin = setup->pins[p];
            hr = mapper->RegisterPin(filter, pin.name, pin.rendered, pin.output, pin.zero, pin.many,
                                     pin.connectsToFilter ? *pin.connectsToFilter : GUID_NULL,
                                     pin.connectsToPin);
            for (UINT t = 0; SUCCEEDED(hr) && t < pin.typeCount; ++t)
                hr =
                    mapper->RegisterPinType(filter, pin.name, *pin.types[t].majorType, *pin.types[t].subtype);
        }
    }
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}
