// Constant setup data a filter registers with the platform's filter mapper,
// and the walk that registers or removes it.
#pragma once

#include "dshow/ds_platform.h"

#include <windows.h>

struct DsPinTypeSetup {
    const GUID *majorType;
    const GUID *subtype;
};

struct DsPinSetup {
    const WCHAR *name;
    BOOL rendered;
    BOOL output;
    BOOL zero; // the pin may have no instance
    BOOL many; // the pin may have many instances
    const GUID *connectsToFilter;
    const WCHAR *connectsToPin;
    UINT typeCount;
    const DsPinTypeSetup *types;
};

struct DsFilterSetup {
    const CLSID *classId;
    const WCHAR *name;
    DWORD merit;
    UINT pinCount;
    const DsPinSetup *pins;
};

// Removes what the mapper holds under the filter's class id and, when
// registering, registers the filter, its pins and their types. Answers the
// last call's result (S_FALSE without setup), with "nothing registered under
// that class id" taken as S_OK.
HRESULT DsRegisterFilterSetup(const DsFilterSetup *setup, IFilterMapper *mapper, BOOL doRegister);
