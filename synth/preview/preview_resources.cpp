#include "synth/preview/preview_resources.h"

namespace Quorvane {

void LoadPreviewSound(int, long, float, std::vector<float> &out)
{
    // The sounds are WAVE resources; they sound once the data model can
    // import WAVE data.
    out.clear();
}

} // namespace Quorvane
