// What the loop-slice editor's window tests share: the plug-in's fixture
// (COM and OLE, private settings, a private data folder with a small kit
// library, the test host), answers in the user's place for every step that
// would wait for one (an unexpected one fails the test), and a drummer
// connected to the test host with its panel open in a host window at the
// panel's preferred size. Each test writes a picture of the panel.
#pragma once

#include "plugin/framework/gui/tests/gui_test_support.h"
#include "plugin/slice/panel/vostrapellin_panel.h"
#include "plugin/slice/plugin/tests/plugin_fixture.h"

#include <gtest/gtest.h>

#include <objidl.h>

#include <functional>
#include <string>
#include <vector>

namespace slice_panel_test {

using slice_plugin_test::dataFolder;

// The loops folder of the data folder, emptied before every test.
std::string loopsFolder();

// The file names a data object hands out as a dropped file list.
std::vector<std::string> droppedFiles(IDataObject *data);

// A drummer that records the settings the options dialog hands it, in
// order.
class RecordingDrummer : public Quorvane::LoopSlice::VostrapellinMFX {
public:
    void setTriggerLow(int32_t note) override;
    void setTriggerEnabled(bool enabled) override;
    void selectNoteNameSet(const std::string &name) override;
    void drumMapChanged() override;
    void somethingChanged(const char *label) override;
    // The composing rules, unless the test gives its own.
    bool violatesRules(const Quorvane::LoopSlice::Looper &looper) override;

    std::vector<std::string> calls;
    // Told the name of each overridable setter as it is called, before it
    // takes effect.
    std::function<void(const std::string &)> heard;
    std::function<bool(const Quorvane::LoopSlice::Looper &)> rules;
};

class PanelTest : public slice_plugin_test::PluginTest {
protected:
    void SetUp() override;
    void TearDown() override;

    Quorvane::LoopSlice::VostrapellinPanel &panel() { return *panel_; }
    RecordingDrummer &drummer() { return *drummer_; }
    HWND window() const { return panel_->handle(); }

    // Posted input, then a pump: a click, a drag path, a key.
    void click(int x, int y, WPARAM keys = 0);
    void doubleClick(int x, int y);
    void dragPath(const std::vector<POINT> &points);
    void key(WPARAM key, bool extended = false);
    // Chooses the entry of a combo's list by its text, as a click would.
    void chooseItem(Quorvane::FlatCombo &combo, const std::string &text);
    // Opens the loop browser's tree and clicks the item of a path (relative
    // to the loops folder), as the user chooses a loop file.
    void chooseInTree(const std::string &path);
    // Key-downs posted to the loop browser's combo (a letter's key is its
    // capital, "\r" is Enter); with openName after a click into its text.
    void typeIntoCombo(const std::string &keys, bool openName);
    std::string status() { return panel_->statusText(); }
    // The panel counts presses within the double-click time as one
    // gesture: a new click waits that time out.
    void waitOutDoubleClick();

    gui_test::HostWindow hostWindow{40, 40, 700, 520};
    RecordingDrummer *drummer_ = nullptr;
    Quorvane::LoopSlice::VostrapellinPanel *panel_ = nullptr;
    // The files each drag out handed over (no real drag runs).
    std::vector<std::vector<std::string>> dragged;
    DWORD lastPress_ = 0;
};

using gui_test::centre;

} // namespace slice_panel_test
