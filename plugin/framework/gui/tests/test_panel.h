// A drummer panel for the window tests: it builds whatever panes a test
// hands it, fills its background, answers tooltips from a table of regions
// and records what the base hands it (loop indices, timer ticks, commands).
#pragma once

#include "plugin/framework/gui/drummer_panel.h"
#include "plugin/framework/gui/tests/gui_test_support.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gui_test {

class TestPanel : public Quorvane::DrummerPanel {
public:
    static constexpr SIZE kSize = {420, 300};

    TestPanel() = default;
    ~TestPanel() override;

    // Runs after the base's initPanel, with the window there.
    std::function<void(TestPanel &)> build;
    // Tooltip regions (client rectangle, id) and their texts.
    std::vector<std::pair<Rect, int>> toolRegions;
    std::map<int, std::string> toolTexts;

    std::vector<int> loopIndices;
    std::vector<DWORD> loopThreads;
    int timerTicks = 0;
    int timerStops = 0;
    std::vector<UINT> commands;
    std::vector<UINT> messages; // everything the window procedure saw

    // Answers the pre-translation of messages the hook offers.
    std::function<bool(MSG &)> preTranslate;

    void getViewSize(SIZE *size) override { *size = kSize; }
    bool preTranslateMessage(MSG &message) override { return preTranslate && preTranslate(message); }
    void paintSelf(Quorvane::GraphicsContext &gc) override;

protected:
    void initPanel() override;
    int toolHitTest(int x, int y) override;
    LRESULT toolText(NMTTDISPINFOA *info) override;
    void stopTimer() override;
    void setLoopIndex(int index) override;
    void onTimer() override { ++timerTicks; }
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::string toolTextBuffer_;
};

// A host window holding a test panel at (10, 10) of its client area.
class PanelFixture {
public:
    PanelFixture();
    ~PanelFixture();
    void open();
    HWND panelWindow() const { return panel.handle(); }

    HostWindow host;
    TestPanel panel;
};

} // namespace gui_test
