// The array of installed items as the enumerators fill it: an item whose
// descriptor equals one already listed (same kind and data) is dropped.
#pragma once

#include "sound/equipment/port_enum.h"

#include <guiddef.h>

namespace Quorvane {

class PortList {
public:
    explicit PortList(CStructArray &array) : array_(array) {}

    // Each answers false only when memory ran out (the enumeration fails).
    bool Add(const char *name, long kind, const char *text);
    bool Add(const char *name, long kind, const GUID &id);

    long Count() const { return array_.GetNumb(); }

private:
    bool Append(PORTENUM &entry);

    CStructArray &array_;
};

} // namespace Quorvane
