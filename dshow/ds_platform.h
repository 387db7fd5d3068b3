// The platform's DirectShow interfaces, ids and result codes, and the
// platform objects the kit makes.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <uuids.h>
#include <vfwmsgs.h>

// The platform's memory allocator.
HRESULT DsCreateMemoryAllocator(IMemAllocator **allocator);
// The platform's seeking pass-through, aggregated by outer and bound to pin;
// out receives its inner unknown, which outer keeps and releases.
HRESULT DsCreatePosPassThru(IUnknown *outer, BOOL renderer, IPin *pin, IUnknown **out);
