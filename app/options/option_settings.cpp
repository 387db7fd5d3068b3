#include "app/options/option_settings.h"

namespace Quorvane {

namespace {

template <typename Settings> struct Field {
    const char *key;
    int Settings::*value;
};

template <typename Settings, size_t N>
int writeChanged(const Field<Settings> (&fields)[N], const Settings &before, const Settings &after,
                 const OptionWriter &write)
{
    int written = 0;
    for (const auto &f : fields)
        if (before.*f.value != after.*f.value) {
            write(f.key, after.*f.value);
            ++written;
        }
    return written;
}

} // namespace

int WriteChanged(const AccentSettings &before, const AccentSettings &after, const OptionWriter &write)
{
    static const Field<AccentSettings> fields[] = {
        {"Accent", &AccentSettings::on},        {"AccTrshld", &AccentSettings::threshold},
        {"AccNote1", &AccentSettings::note1},   {"AccNote2a", &AccentSettings::note2a},
        {"AccNote2b", &AccentSettings::note2b}, {"AccVel", &AccentSettings::velocity},
        {"AccDur", &AccentSettings::duration},
    };
    return writeChanged(fields, before, after, write);
}

int WriteChanged(const PlaybackSettings &before, const PlaybackSettings &after, const OptionWriter &write)
{
    static const Field<PlaybackSettings> fields[] = {
        {"TrgVelo", &PlaybackSettings::triggerVelocity},
        {"VeloStat", &PlaybackSettings::internalVelocity},
        {"Strength", &PlaybackSettings::strength},
        {"ExtPitch", &PlaybackSettings::bendToVelocity},
    };
    return writeChanged(fields, before, after, write);
}

} // namespace Quorvane
