// A thread message hook for the plug-in's panels inside a host whose
// message loop and accelerators are not the plug-in's: the panels get the
// keys they need before the host's accelerators (a window of theirs that
// is taking text every key it types and edits with: Space, Esc and both
// Enters among them), Alt+R is suppressed for them, right-button presses
// are offered to their own pre-translation and mouse messages reach their
// tooltips. All panels of the module share one
// hook on the thread that installed it; the last user removes it.
#pragma once

namespace Quorvane {

void installPanelMessageHook();
void releasePanelMessageHook();

} // namespace Quorvane
