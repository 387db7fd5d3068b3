// The track masking strip: its zones by the fill's place in the loop, the
// mask modes its middle zone cycles through, and the stripes that show them.
#include "plugin/fill/panel/tests/panel_fixture.h"

#include "plugin/fill/engine/grindelvosket.h"
#include "testing/screenshot.h"

namespace panel_test {
namespace {

using namespace Quorvane;

TEST(TrackViewZones, FollowTheFillInTheLoop)
{
    struct Case {
        const char *name;
        int32_t length, start, end;
        Rect pre, fill, after;
    };
    const Case cases[] = {
        {"the fill over the whole loop: one zone, no gap on the right",
         960,
         0,
         960,
         {0, 0, 0, 22},
         {0, 0, 201, 22},
         {201, 0, 0, 22}},
        {"a fill in the middle: gaps of a pixel",
         960,
         240,
         720,
         {0, 0, 50, 22},
         {51, 0, 98, 22},
         {150, 0, 51, 22}},
        {"no punch-in: the fill starts with the loop",
         1920,
         -1,
         960,
         {0, 0, 0, 22},
         {0, 0, 99, 22},
         {100, 0, 101, 22}},
        {"a loop of no length is one fill zone", 0, 0, 960, {0, 0, 0, 22}, {0, 0, 201, 22}, {201, 0, 0, 22}},
        {"a fill that starts after it ends",
         960,
         800,
         100,
         {0, 0, 167, 22},
         {168, 0, 0, 22},
         {168, 0, 33, 22}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TrackView::Zones zones = TrackView::zones(c.length, c.start, c.end);
        EXPECT_EQ(zones.pre, c.pre);
        EXPECT_EQ(zones.fill, c.fill);
        EXPECT_EQ(zones.after, c.after);
    }
}

using TrackViewWindowTest = PanelTest;

// The colours down the middle of the fill zone, without repeats.
std::vector<COLORREF> stripesOf(HWND panel, TrackView &view)
{
    const testing_support::WindowPicture picture = testing_support::printWindow(panel);
    // Left of the caption, inside the zone's frame.
    const Rect zone = view.fillZone().getRootBounds();
    const int x = zone.x + 4;
    std::vector<COLORREF> colours;
    for (int y = zone.y + 1; y < zone.bottom() - 1; ++y) {
        const COLORREF c = picture.at(x, y);
        if (c != TrackView::kMasked && c != TrackView::kPassing)
            continue;
        if (colours.empty() || colours.back() != c)
            colours.push_back(c);
    }
    return colours;
}

TEST_F(TrackViewWindowTest, TheFillZoneCyclesThroughTheMaskModes)
{
    loadFill("Rock 01");
    drummer().setPunchRange(0, drummer().fillLength());
    TrackView &view = *panel().trackView();
    const POINT at = centre(view.fillZone());
    std::vector<std::string> captions;
    for (int i = 0; i < 4; ++i) {
        click(at.x, at.y);
        captions.push_back(view.fillZone().getText());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"mask drumset", "mask instrument", "through", "mask all"}));
    EXPECT_EQ(drummer().maskMode(), 0);
    EXPECT_TRUE(drummer().saidChanged("setZones"));
}

TEST_F(TrackViewWindowTest, StripesShowTheMaskMode)
{
    loadFill("Rock 01");
    drummer().setPunchRange(0, drummer().fillLength());
    TrackView &view = *panel().trackView();
    const COLORREF masked = TrackView::kMasked;
    const COLORREF passing = TrackView::kPassing;
    const std::vector<std::vector<COLORREF>> expected = {
        {masked}, {masked, passing}, {masked, passing, masked, passing}, {passing}};
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        drummer().setZones(-1, mode, -1, false);
        gui_test::pump();
        EXPECT_EQ(view.fillZone().state(), mode);
        EXPECT_EQ(view.fillZone().isSelected(), mode == 3);
        EXPECT_EQ(stripesOf(window(), view), expected[mode]);
    }
}

TEST_F(TrackViewWindowTest, OuterZonesPassOrMaskTheTrack)
{
    loadFill("Rock 01");
    drummer().setPunchRange(240, 720);
    TrackView &view = *panel().trackView();
    EXPECT_EQ(view.preZone().isSelected(), true) << "the track passes before the fill by default";
    click(centre(view.preZone()).x, centre(view.preZone()).y);
    EXPECT_EQ(drummer().preZone(), 0);
    EXPECT_FALSE(view.preZone().isSelected());
    click(centre(view.afterZone()).x, centre(view.afterZone()).y);
    EXPECT_EQ(drummer().afterZone(), 0);
    click(centre(view.afterZone()).x, centre(view.afterZone()).y);
    EXPECT_EQ(drummer().afterZone(), 1);
}

} // namespace
} // namespace panel_test
