// What the editor panel's window tests share: the drummer's test fixture
// (COM and OLE, private settings, a private data folder with the starter
// library, the test host), answers in the user's place for every step that
// would wait for one (an unexpected one fails the test), and a drummer
// connected to the test host with its panel open in a host window at the
// panel's preferred size. Each test writes a picture of the panel.
#pragma once

#include "plugin/fill/panel/grindelvosket_panel.h"
#include "plugin/fill/panel/patterns_view.h"
#include "plugin/fill/plugin/grindelvosket_mfx.h"
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "plugin/framework/gui/tests/gui_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace panel_test {

using grindel_test::dataFolder;
// The starter library.
std::string fillsFolder();

// A drummer that records what it asks of its host.
class TestDrummer : public Quorvane::GrindelvosketMFX {
public:
    void hostTransport(int command) override { transport.push_back(command); }
    void somethingChanged(const char *label) override
    {
        labels.push_back(label);
        GrindelvosketMFX::somethingChanged(label);
    }
    uint32_t capabilityBits() override { return capabilities; }
    void previewEvent(const Quorvane::CMidiTrack::Event &event) override { previews.push_back(event); }
    // A real drag would wait for the mouse: it is counted instead.
    void dragOutFill() override { ++dragsOut; }
    bool saidChanged(const std::string &label) const;

    std::vector<int> transport;
    std::vector<Quorvane::CMidiTrack::Event> previews;
    int dragsOut = 0;
    std::vector<std::string> labels;
    uint32_t capabilities = 1 | 2 | 4;
};

class PanelTest : public grindel_test::PluginTest {
protected:
    void SetUp() override;
    void TearDown() override;

    Quorvane::GrindelvosketPanel &panel() { return *panel_; }
    TestDrummer &drummer() { return *drummer_; }
    HWND window() const { return panel_->handle(); }
    Quorvane::PatternsView &patterns() { return *panel_->patternsView(); }

    // Loads a starter fill ("Rock 01" and the like) through the engine.
    void loadFill(const std::string &name);
    // Posted input, then a pump: a click, a drag path, a key.
    void click(int x, int y, WPARAM keys = 0);
    void rightClick(int x, int y);
    void dragPath(const std::vector<POINT> &points, bool right = false);
    void key(WPARAM key, bool extended = false);
    // The status line and the fill title as shown.
    std::string status() { return panel_->statusControl().text(); }

    gui_test::HostWindow hostWindow{40, 40, 700, 520};
    TestDrummer *drummer_ = nullptr;
    Quorvane::GrindelvosketPanel *panel_ = nullptr;
};

using gui_test::centre;

} // namespace panel_test
