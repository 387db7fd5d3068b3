#include "plugin/framework/plugin/tests/test_host.h"

namespace plugin_test {

MfxEvent note(int32_t time, uint8_t key, uint8_t velocity)
{
    MfxEvent event{};
    event.time = time;
    event.kind = MfxNote;
    event.note = key;
    event.velocity = velocity;
    event.duration = 10;
    return event;
}

} // namespace plugin_test
