// The names the preview synthesizer offers: fixed tables.
#include "synth/preview/drum_map.h"
#include "synth/preview/preview_synth.h"

namespace Quorvane {

namespace {

using Item = IZQSSExEnum::tagENUMITEM;

char kDefault[] = "0: Default";
char kSine[] = "0: Sine";
char kTriangle[] = "1: Triangle";
char kSaw[] = "2: Saw";
char kSquare[] = "3: Square";
char kVolume[] = "7: Volume";
char kPanning[] = "10: Panning";
char kReset[] = "121: Controllers Reset";
char kAllOff[] = "123: All Notes Off";
char kBigDrum[] = "Big drum";
char kLittleDrum[] = "Little drum";
char kHiHat[] = "Hi-hat";

Item banks[] = {{0, kDefault}};
Item programs[] = {{0, kSine}, {1, kTriangle}, {2, kSaw}, {3, kSquare}};
Item controllers[] = {{7, kVolume}, {10, kPanning}, {121, kReset}, {123, kAllOff}};

constexpr int kFirstDrum = 35;
constexpr int kDrumNotes = 47;

// Notes 35..81 by their drum sound.
struct DrumNames {
    DrumNames()
    {
        char *const names[] = {kBigDrum, kLittleDrum, kHiHat};
        for (int i = 0; i < kDrumNotes; ++i)
            items[i] = {kFirstDrum + i, names[PreviewDrumSound(kFirstDrum + i)]};
    }
    Item items[kDrumNotes];
};

template <size_t N> long hand(Item (&table)[N], Item **list)
{
    if (list)
        *list = table;
    return static_cast<long>(N);
}

} // namespace

long CPreviewSynth::Names::Banks(Item **list)
{
    return hand(banks, list);
}

long CPreviewSynth::Names::Programs(long, Item **list)
{
    return hand(programs, list);
}

long CPreviewSynth::Names::Notes(long, long, long channel, Item **list)
{
    static DrumNames drums;
    if (channel != 9) {
        if (list)
            *list = nullptr;
        return 0;
    }
    return hand(drums.items, list);
}

long CPreviewSynth::Names::Controllers(Item **list)
{
    return hand(controllers, list);
}

} // namespace Quorvane
