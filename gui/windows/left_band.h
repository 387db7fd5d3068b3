// The resizable left band of the chords and master windows: two vertical
// gradients as wide as the band (0 normal, 1 while it is being resized),
// and the band's width dragged within 26..200 pixels.
#pragma once

namespace Quorvane {

class CGUIGradient;
class CGUIClient;
class CGUIContext;

namespace left_band {

// 0 when no context can be had or a gradient fails.
int Build(CGUIGradient &gradients, CGUIClient *client, long width);
// The band's edge dragged from dragX to x: the new width, for which the
// gradients are built (dragX follows), or the old one when they cannot be.
long Drag(CGUIGradient &gradients, CGUIClient *client, long width, long &dragX, long x);
// The band's corner beside the top band (0..bottom): its gradient (1 while
// resizing), its edge, and the three-line edge (dark grey, black, white)
// over the top band's last rows.
void DrawCorner(CGUIContext *ctx, CGUIGradient &gradients, long width, long bottom, int resizing);

} // namespace left_band
} // namespace Quorvane
