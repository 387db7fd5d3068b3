#include "outside/mfx/event_conversion.h"

#include "data/event.h"

namespace tembri_mfx {

namespace {

// Status nibbles of the kinds in MfxEventKind order.
constexpr uint8_t kStatusOfKind[] = {0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0};

} // namespace

bool toMfxEvent(const Quorvane::EVENT &from, MfxEvent &to)
{
    if (!from.IsChannel())
        return false;
    const uint8_t nibble = from.status & 0xF0;
    int kind = -1;
    for (int k = 0; k < 6; ++k) {
        if (kStatusOfKind[k] == nibble)
            kind = k;
    }
    if (kind < 0)
        return false;
    to = MfxEvent{};
    to.time = from.time;
    to.channel = static_cast<uint8_t>(from.getChan());
    to.kind = kind;
    to.note = from.data1;
    to.velocity = from.data2;
    to.duration = kind == MfxNote ? from.value : 0;
    return true;
}

bool fromMfxEvent(const MfxEvent &from, Quorvane::EVENT &to)
{
    if (from.kind < 0 || from.kind > 5)
        return false;
    to.Clear();
    to.flags = Quorvane::EVENT_SHORT;
    to.length = 0;
    to.time = from.time;
    to.status = static_cast<uint8_t>(kStatusOfKind[from.kind] | (from.channel & 0x0F));
    to.data1 = from.note & 0x7F;
    to.data2 = from.velocity & 0x7F;
    to.value = from.kind == MfxNote ? from.duration : 0;
    return true;
}

} // namespace tembri_mfx
