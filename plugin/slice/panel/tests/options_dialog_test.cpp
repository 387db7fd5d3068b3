// The options dialog, opened by the panel's Options command and driven from
// a timer as a user would: the values it shows, what OK writes back and in
// which order, and values out of range refused with the dialog still open.
#include "base/message_box.h"
#include "plugin/framework/gui/tests/dialog_steps.h"
#include "plugin/slice/panel/panel_ids.h"
#include "plugin/slice/panel/tests/panel_fixture.h"

#include <cstdio>
#include <functional>

namespace {

using namespace Quorvane;
using namespace Quorvane::LoopSlice;
using namespace slice_panel_test;

using Step = gui_test::DialogStep;

const auto selection = gui_test::comboSelection;
const auto choose = gui_test::chooseComboItem;

int number(HWND dialog, int id)
{
    return static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE));
}

void pressOK(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

class OptionsDialogTest : public PanelTest {
protected:
    // Opens the dialog through the panel's Options command and runs the
    // steps while it is open; the last step must close it.
    void run(std::vector<Step> steps)
    {
        const size_t left = gui_test::runDialogSteps(IDC_VELOCITY_MIN, 100, std::move(steps), [this] {
            SendMessageA(window(), WM_COMMAND, ID_OPTIONS, 0);
        });
        EXPECT_EQ(left, 0u) << "every step ran";
    }
};

TEST_F(OptionsDialogTest, OKWritesBackInItsOrder)
{
    drummer().setOutputChannel(2);
    drummer().setCycleMeasures(4);
    drummer().calls.clear();
    run({
        [](HWND dialog) {
            EXPECT_EQ(selection(dialog, IDC_CHANNEL), 3) << "channel + 1";
            EXPECT_EQ(number(dialog, IDC_CYCLE_MEASURES), 4);
            EXPECT_EQ(number(dialog, IDC_TRIGGER_LOW), 36);
            choose(dialog, IDC_CHANNEL, 0);
            choose(dialog, IDC_RENDER_MODE, 1);
            choose(dialog, IDC_NOTIFY_HOST, 1);
            SetDlgItemTextA(dialog, IDC_CYCLE_MEASURES, "8");
            SetDlgItemTextA(dialog, IDC_TRIGGER_LOW, "40");
            SetDlgItemTextA(dialog, IDC_VELOCITY_MIN, "100");
            SetDlgItemTextA(dialog, IDC_VELOCITY_MAX, "90");
            CheckDlgButton(dialog, IDC_TRIGGER_ENABLED, BST_CHECKED);
        },
        [](HWND dialog) { pressOK(dialog); },
    });
    EXPECT_EQ(drummer().outputChannel(), -1) << "keep the event's channel";
    EXPECT_EQ(drummer().cycleMeasures(), 8);
    EXPECT_TRUE(drummer().multiTrack());
    EXPECT_FALSE(drummer().notifyHost());
    EXPECT_EQ(drummer().triggerLow(), 40);
    EXPECT_TRUE(drummer().triggerEnabled());
    // Both 100 asked; the shared setters keep the limits 2 apart.
    EXPECT_EQ(drummer().outputDynamics().min(), 100);
    EXPECT_EQ(drummer().outputDynamics().max(), 102);
    // The settings the engine hears through its overridable setters, in
    // the dialog's order (its change notices left aside).
    std::vector<std::string> order;
    for (const std::string &call : drummer().calls)
        if (call.rfind("changed ", 0) != 0)
            order.push_back(call);
    EXPECT_EQ(order,
              (std::vector<std::string>{"triggerLow 40", "triggerEnabled 1",
                                        "noteNames " + drummer().noteNames().getName(), "drumMapChanged"}));
}

// The engine's settings the dialog writes, in one line.
std::string settings(Vostrapellin &engine)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "channel %d port %d cycle %d mode %d trigger %d notify %d max %d min %d enabled %d",
                  engine.outputChannel(), engine.outputPort(), engine.cycleMeasures(),
                  engine.multiTrack() ? 1 : 0, engine.triggerLow(), engine.notifyHost() ? 1 : 0,
                  engine.outputDynamics().max(), engine.outputDynamics().min(),
                  engine.triggerEnabled() ? 1 : 0);
    return text;
}

// An open view of the engine that notes the settings whenever the engine
// tells its views of a change.
class SettingsWatcher : public EngineView {
public:
    explicit SettingsWatcher(std::vector<std::string> &seen, Vostrapellin &engine)
        : seen_(seen), engine_(engine)
    {
    }
    void engineChanged() override
    {
        const std::string now = "view: " + settings(engine_);
        if (seen_.empty() || seen_.back() != now)
            seen_.push_back(now);
    }
    void padSelected(int) override {}
    void showStatus(const std::string &) override {}
    bool mayChangePatterns() override { return true; }
    HWND viewWindow() const override { return nullptr; }

private:
    std::vector<std::string> &seen_;
    Vostrapellin &engine_;
};

TEST_F(OptionsDialogTest, EveryValueIsWrittenInItsTurn)
{
    // Every value starts apart from what the dialog will write.
    drummer().setOutputChannel(2);
    drummer().setOutputPort(1);
    drummer().setCycleMeasures(4);
    drummer().setMultiTrack(false);
    drummer().setTriggerLow(36);
    drummer().setNotifyHost(true);
    drummer().setOutputMinimum(10);
    drummer().setOutputMaximum(120);
    drummer().setTriggerEnabled(false);
    std::vector<std::string> seen;
    SettingsWatcher watcher(seen, drummer());
    drummer().addView(&watcher);
    // What has been written when each overridable setter is called, and
    // when the engine tells its views of a change.
    drummer().heard = [&](const std::string &setter) { seen.push_back(setter + ": " + settings(drummer())); };
    run({
        [](HWND dialog) {
            choose(dialog, IDC_CHANNEL, 0);
            choose(dialog, IDC_PORT, 3);
            SetDlgItemTextA(dialog, IDC_CYCLE_MEASURES, "8");
            choose(dialog, IDC_RENDER_MODE, 1);
            SetDlgItemTextA(dialog, IDC_TRIGGER_LOW, "40");
            choose(dialog, IDC_NOTIFY_HOST, 1);
            SetDlgItemTextA(dialog, IDC_VELOCITY_MIN, "100");
            SetDlgItemTextA(dialog, IDC_VELOCITY_MAX, "90");
            CheckDlgButton(dialog, IDC_TRIGGER_ENABLED, BST_CHECKED);
        },
        [](HWND dialog) { pressOK(dialog); },
    });
    drummer().heard = nullptr;
    drummer().removeView(&watcher);
    // Channel, port, cycle and render mode come before the trigger's low
    // note; the notify switch, then the maximum (the minimum raised to
    // it), then the minimum (which keeps the maximum 2 above it), then the
    // trigger switch; the note names and the drum map last.
    const std::string before = "channel -1 port 3 cycle 8 mode 1 ";
    const std::vector<std::string> expected = {
        "triggerLow: " + before + "trigger 36 notify 1 max 120 min 10 enabled 0",
        "view: " + before + "trigger 40 notify 0 max 100 min 10 enabled 0",
        "view: " + before + "trigger 40 notify 0 max 102 min 100 enabled 0",
        "triggerEnabled: " + before + "trigger 40 notify 0 max 102 min 100 enabled 0",
        "noteNames: " + before + "trigger 40 notify 0 max 102 min 100 enabled 1",
        "view: " + before + "trigger 40 notify 0 max 102 min 100 enabled 1",
        "drumMapChanged: " + before + "trigger 40 notify 0 max 102 min 100 enabled 1",
        "view: " + before + "trigger 40 notify 0 max 102 min 100 enabled 1",
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(OptionsDialogTest, ValuesOutOfRangeAreRefusedWithTheDialogOpen)
{
    std::vector<std::string> messages;
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        messages.push_back(text);
        return IDOK;
    });
    HWND open = nullptr;
    run({
        [&](HWND dialog) {
            open = dialog;
            SetDlgItemTextA(dialog, IDC_CYCLE_MEASURES, "0");
            pressOK(dialog);
        },
        [&](HWND dialog) {
            EXPECT_EQ(dialog, open) << "still open";
            // Above what the engine keeps: refused, not cut down unseen.
            SetDlgItemTextA(dialog, IDC_CYCLE_MEASURES, "5000");
            pressOK(dialog);
        },
        [&](HWND dialog) {
            EXPECT_EQ(dialog, open) << "still open";
            SetDlgItemTextA(dialog, IDC_CYCLE_MEASURES, "12");
            SetDlgItemTextA(dialog, IDC_VELOCITY_MAX, "128");
            pressOK(dialog);
        },
        [&](HWND dialog) {
            EXPECT_EQ(dialog, open);
            SetDlgItemTextA(dialog, IDC_VELOCITY_MAX, "127");
            pressOK(dialog);
        },
    });
    EXPECT_EQ(messages, (std::vector<std::string>{"Please enter an integer between 1 and 1000.",
                                                  "Please enter an integer between 1 and 1000.",
                                                  "Please enter an integer between 1 and 127."}));
    EXPECT_EQ(drummer().cycleMeasures(), 12);
    EXPECT_EQ(drummer().outputDynamics().max(), 127);
}

} // namespace
