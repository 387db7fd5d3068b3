// The preview synthesizer's own resources: its drum and click sounds, kept
// as WAVE resources made by the build, and its editor's dialog, pictures
// and drag cursor.
#pragma once

#include <vector>

namespace Quorvane {

enum : int {
    kBigDrumSound = 24001,
    kLittleDrumSound = 24002,
    kHiHatSound = 24003,
    kClickSound = 24006,
    kAccentClickSound = 24007,
    kEditorDialog = 24000,
    kEditorImages = 24004,
    kDragCursor = 24005,
};

// The sound of the WAVE resource at the sample rate, as mono floats times
// scale; empty when the resource is missing or does not decode.
void LoadPreviewSound(int resource, long sampleRate, float scale, std::vector<float> &out);

} // namespace Quorvane
