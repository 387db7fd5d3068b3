// Lists the MIDI output ports through the engine from wherever it is copied
// to: one line per entry ("kind|name|data"), exit code 0, or 3 when the
// engine answers null.
#include "sound/equipment/port_enum.h"

#include <cstdio>
#include <memory>
#include <string>

int main()
{
    using namespace Quorvane;
    std::unique_ptr<CStructArray> ports(
        TindrelEnumPorts(ENUM_OUTPUTS, ENUM_OUT_MIDI, nullptr, nullptr, nullptr));
    if (!ports)
        return 3;
    for (long i = 0; i < ports->GetNumb(); ++i) {
        const auto *entry = static_cast<const PORTENUM *>(ports->GetElementAt(i));
        const std::string data(static_cast<const char *>(entry->descr.data), entry->descr.dataSize);
        std::printf("%ld|%s|%s|%ld\n", entry->descr.kind, entry->descr.name, data.c_str(),
                    static_cast<long>(entry->recordId));
    }
    return 0;
}
