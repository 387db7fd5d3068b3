// Which of the three drum sounds each note plays.
#pragma once

namespace Quorvane {

// 0 big drum, 1 little drum, 2 hi-hat; notes outside 35..81 play the big
// drum.
int PreviewDrumSound(int note);

} // namespace Quorvane
