#include "db/equipment/cant_load.h"

#include "base/message_box.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

enum class Identification { Text, Guid };

struct Label {
    uint8_t type;
    long kind;
    const char *label;
    Identification by;
};

const Label kLabels[] = {
    {0x81, 0, "Quorvane Synth", Identification::Text},
    {0x81, 1, "Quorvane Synth", Identification::Text},
    {0x81, 2, "Quorvane Synth", Identification::Text},
    {0x81, 3, "Quorvane Synth", Identification::Text},
    {0x81, 4, "VST Instrument", Identification::Text},
    {0x81, 5, "DXi", Identification::Guid},
    // A DLS synthesizer is named by its data string.
    {0x81, 6, "DLS Soft Synth", Identification::Text},
    {0x81, 7, "MIDI Out Port", Identification::Text},
    {0x82, 0, "Quorvane Audio Effect", Identification::Text},
    {0x82, 1, "VST Audio Effect", Identification::Text},
    {0x82, 2, "DirectX Audio Filter", Identification::Guid},
    {0x83, 0, "Quorvane Audio Effect", Identification::Text},
    {0x83, 1, "MFX Plug-in", Identification::Guid},
};

std::string dataText(const PORTDESCR &d)
{
    if (!d.data || d.dataSize <= 0)
        return {};
    const char *text = static_cast<const char *>(d.data);
    return std::string(text, strnlen(text, size_t(d.dataSize)));
}

std::string guidText(const PORTDESCR &d)
{
    if (!d.data || d.dataSize < long(sizeof(GUID)))
        return {};
    GUID g;
    std::memcpy(&g, d.data, sizeof(g));
    char text[40];
    std::snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return text;
}

} // namespace

std::string CantLoadText(uint8_t recordType, const PORTDESCR *descriptor)
{
    if (!descriptor)
        return {};
    for (const Label &l : kLabels) {
        if (l.type != recordType || l.kind != descriptor->kind)
            continue;
        const std::string id = l.by == Identification::Guid ? guidText(*descriptor) : dataText(*descriptor);
        return std::string("Can't load ") + l.label + ":\n\n[" + id + "]\n\nContinue anyway?";
    }
    return {};
}

int CantLoadQuestion(uint8_t recordType, const PORTDESCR *descriptor)
{
    const std::string text = CantLoadText(recordType, descriptor);
    if (text.empty())
        return 0;
    return showMessageBox(nullptr, text.c_str(), "Stavrund", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace Quorvane
