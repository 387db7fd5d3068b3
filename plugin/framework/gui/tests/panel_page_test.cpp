// A test panel holding a control of each kind, shown by a small plug-in
// in the framework's property page inside the system's property frame, as
// a host shows a drummer's editor.
#include "plugin/framework/gui/buttons.h"
#include "plugin/framework/gui/drag_from_here.h"
#include "plugin/framework/gui/envelope_control.h"
#include "plugin/framework/gui/event_bar.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/number_fields.h"
#include "plugin/framework/gui/pad_panel.h"
#include "plugin/framework/gui/panel_message_hook.h"
#include "plugin/framework/gui/sliders.h"
#include "plugin/framework/gui/tests/gui_tests_resources.h"
#include "plugin/framework/gui/tests/test_panel.h"

#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/plugin/mfx_plugin.h"
#include "plugin/framework/plugin/mfx_property_page.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <cstring>

namespace {

using namespace gui_test;
using namespace Quorvane;

// {6A0F2C31-5B7E-4D18-9E2A-3C4B5D6E7F80}
const GUID CLSID_GuiTestPlugin = {
    0x6A0F2C31, 0x5B7E, 0x4D18, {0x9E, 0x2A, 0x3C, 0x4B, 0x5D, 0x6E, 0x7F, 0x80}};
// {6A0F2C32-5B7E-4D18-9E2A-3C4B5D6E7F80}
const GUID CLSID_GuiTestPage = {0x6A0F2C32, 0x5B7E, 0x4D18, {0x9E, 0x2A, 0x3C, 0x4B, 0x5D, 0x6E, 0x7F, 0x80}};

// What the panels counted, beyond their own lives.
struct Counts {
    int ticks = 0;
    int padsClicked = -1;
    int panelsAlive = 0;
};
Counts counts;

// A looper of one bar and two lanes, edited by nobody.
class QuietLooper : public EventBarLooper {
public:
    int laneCount() const override { return 2; }
    Timing barTiming() const override { return {1920, 0, 1920, 480}; }
    bool isMuted() const override { return false; }
    void paintEvents(GraphicsContext &, const LaneLayout &, const EventPicture &) override {}
    std::unique_ptr<LooperEditor> createEditTool(int, int, int) override { return nullptr; }
};

class Row : public EventBarOwner {
public:
    bool isHighlighted() const override { return true; }
};

// Shows the cells of the test picture, one per state.
class CellButton : public SelSmartBmpButton {
public:
    Bitmap *getBitmap(Point &origin) override
    {
        origin = {isSelected() ? 8 : 0, 0};
        return cells.get();
    }
    RefPtr<OpaqueBitmap> cells;
};

class KeptValue : public ParamEdit::Handler {
public:
    int getValue() override { return value; }
    void setValue(int v) override { value = v; }
    int value = 64;
};

// A panel as a drummer's would be: its controls, the message hook while
// it lives.
class ControlsPanel : public TestPanel {
public:
    ControlsPanel()
    {
        ++counts.panelsAlive;
        installPanelMessageHook();
        cells = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_CELLS)));
        track = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_SLIDER_TRACK)));
        thumb = RefPtr<OpaqueBitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_TEST_SLIDER_THUMB)));
        build = [this](TestPanel &) { buildControls(); };
    }
    ~ControlsPanel() override
    {
        destroyView();
        releasePanelMessageHook();
        --counts.panelsAlive;
    }

    TextControl title;
    ParamEdit param;
    KeptValue *value = new KeptValue();
    BarEdit bar;
    FlatButton flat;
    SelectableButton selectable;
    SmartTextButton smart;
    SelSmartTextButton selSmart;
    FlatSlider slider;
    TwinSlider twin;
    DoubleSlider pad2d;
    FlatCombo combo;
    FlatImageCombo imageCombo;
    FlatMLCombo noteCombo;
    CellButton cellButton;
    VelocityEnvelope envelope;
    EnvelopeControl envelopeControl;
    Row row;
    EventBar eventBar;
    QuietLooper looper;
    PadPanel pads{10, 1};
    DragFromHere drag;
    RefPtr<OpaqueBitmap> cells, track, thumb;
    RefPtr<Delegate1<int>> padListener;

protected:
    void onTimer() override { ++counts.ticks; }

private:
    void padClicked(int index) { counts.padsClicked = index; }

    void buildControls()
    {
        Font *font = panelFont();
        title.create(TextControl::kGreyFrame, {10, 10, 120, 18}, this);
        title.setFont(font, false);
        title.setText("Controls", false);
        param.create(this, RECT{140, 10, 200, 28});
        param.setHandler(value);
        param.setFont(font);
        param.refreshValue();
        bar.create(this, {210, 10, 50, 18});
        bar.setFont(font);
        bar.setValue(4);
        flat.setPicture(cells.get(), 8, 0, 0);
        flat.create(RECT{270, 10, 0, 0}, this, 1);
        selectable.setPicture(cells.get(), 8, 0, 0);
        selectable.create(RECT{290, 10, 0, 0}, this, 2);
        smart.create(3, {310, 10, 50, 18}, this);
        smart.setFont(font);
        smart.setText("Smart");
        selSmart.create(4, {365, 10, 50, 18}, this);
        selSmart.setFont(font);
        selSmart.setText("Sel");
        selSmart.setSelected(true);
        slider.create({10, 40, 0, 0}, this, 5, track.get(), thumb.get(), nullptr);
        slider.setRange(0, 10);
        slider.setValue(5);
        twin.setBounds(this, {120, 40, 150, 20});
        twin.setRange(0, 16);
        twin.setStart(4);
        twin.setEnd(12);
        pad2d.setBounds(this, {280, 40, 60, 60});
        pad2d.setFirstRange(-10, 10);
        pad2d.setSecondRange(-10, 10);
        combo.create(6, {10, 70, 100, 18}, this);
        for (const char *text : {"a", "b", "c"})
            combo.addItem(text);
        combo.setSelectedIndex(0);
        imageCombo.create(7, {120, 70, 60, 18}, this);
        imageCombo.setImageStrip(4, {"red", "green", "blue", "yellow"}, cells.get(), 8, 8, 0, false);
        imageCombo.addItem("green");
        imageCombo.setSelectedIndex(0);
        noteCombo.create(8, {190, 70, 80, 18}, this);
        FlatCombo::Menu *notes = noteCombo.menu().appendSubMenu(0, "notes");
        notes->appendItem(MF_STRING | MF_CHECKED, 36, "Kick");
        notes->appendItem(MF_STRING, 38, "Snare");
        noteCombo.setText("Kick");
        cellButton.cells = cells;
        cellButton.create(9, {350, 40, 0, 0}, this);
        cellButton.sizeToBitmap();
        envelopeControl.setBounds(this, {10, 110, 120, 80});
        envelopeControl.setEnvelope(&envelope);
        row.setBounds(this, {140, 110, 260, 40});
        eventBar.create(RECT{0, 0, 260, 40}, &row, 4009);
        eventBar.setLooper(&looper);
        eventBar.setDisplayValue(4);
        pads.setBounds(this, {10, 200, 400, 22});
        padListener = MemberDelegate<ControlsPanel, int>::create(this, &ControlsPanel::padClicked);
        pads.setPadListener(padListener.get());
        drag.create(RECT{10, 230, 130, 250}, this, "Drag from here");
        drag.setFont(font, false);
        drag.setColor(0xC8D0D4, false);
        statusControl().create(TextControl::kSunkenFrame, {0, 280, TestPanel::kSize.cx, 20}, this);
        statusControl().setFont(font, false);
    }
};

class ControlsPlugin : public MfxPlugin {
public:
    ControlsPlugin() : MfxPlugin(&CLSID_GuiTestPlugin, &CLSID_GuiTestPage) {}
    PluginView *getView() override
    {
        panel = new ControlsPanel();
        return panel;
    }
    void destroyView(PluginView *view) override
    {
        if (view == panel)
            panel = nullptr;
        delete view;
    }
    ControlsPanel *panel = nullptr;
};

// What the frame's timer saw and did.
struct Visit {
    ControlsPlugin *plugin = nullptr;
    HWND panelWindow = nullptr;
    HWND toolTip = nullptr;
    int step = 0;
    bool selected = false;
    int paramValue = 0;
    std::string comboText;
    int padsClicked = -1;
    testing_support::WindowPicture picture;
    RECT client{};
};
Visit *visit = nullptr;

BOOL CALLBACK findFrame(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void click(HWND window, int x, int y)
{
    postMouse(window, WM_MOUSEMOVE, x, y);
    postMouse(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    postMouse(window, WM_LBUTTONUP, x, y);
}

void CALLBACK driveFrame(HWND, UINT, UINT_PTR timer, DWORD)
{
    ControlsPanel *panel = visit->plugin->panel;
    if (!panel || !IsWindow(panel->handle()))
        return;
    HWND window = panel->handle();
    switch (visit->step++) {
    case 0:
        visit->panelWindow = window;
        visit->toolTip = panel->toolTipWindow();
        // Presses count as clicks of one button however far apart: the
        // number field goes first, so its press is no double click.
        click(window, 150, 15);              // the number field takes the focus...
        postKey(window, WM_KEYDOWN, VK_ADD); // ...and a step
        click(window, 292, 12);              // the selectable button
        click(window, 60, 211);              // the second pad
        click(window, 20, 75);               // the combo opens; the answer picks "b"
        break;
    case 1:
        visit->selected = panel->selectable.isSelected();
        visit->paramValue = panel->value->value;
        panel->combo.getText(visit->comboText);
        visit->padsClicked = counts.padsClicked;
        visit->picture = testing_support::printWindow(window);
        GetClientRect(window, &visit->client);
        break;
    default: {
        KillTimer(nullptr, timer);
        HWND frame = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findFrame, reinterpret_cast<LPARAM>(&frame));
        if (frame)
            PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
        break;
    }
    }
}

TEST(PanelPageWindowTest, ControlsInThePropertyPageTakeClicksAndKeysAndLeaveNothing)
{
    gui_test::HostWindow host;
    const int windowsBefore = threadWindowCount();
    DWORD cookie = 0;
    auto *factory = new MfxPropertyPage::Factory(L"Tembri Test");
    factory->AddRef();
    ASSERT_EQ(CoRegisterClassObject(CLSID_GuiTestPage, static_cast<IClassFactory *>(factory),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    factory->Release();

    auto *plugin = new ControlsPlugin();
    plugin->AddRef();
    Visit seen;
    seen.plugin = plugin;
    visit = &seen;
    PopupAnswer answer([](const std::vector<MenuItem> &menu) { return static_cast<int>(menu[1].id); });
    CAUUID pages{};
    ASSERT_EQ(plugin->GetPages(&pages), S_OK);
    IUnknown *object = static_cast<IMfxEventFilter *>(plugin);
    const UINT_PTR timer = SetTimer(nullptr, 0, 150, driveFrame);
    const HRESULT shown = OleCreatePropertyFrame(host.handle(), 0, 0, L"Drummer", 1, &object, pages.cElems,
                                                 pages.pElems, 0, 0, nullptr);
    KillTimer(nullptr, timer);
    visit = nullptr;
    CoTaskMemFree(pages.pElems);
    CoRevokeClassObject(cookie);

    EXPECT_EQ(shown, S_OK);
    ASSERT_TRUE(seen.panelWindow) << "the page showed the panel";
    EXPECT_TRUE(seen.selected) << "clicked";
    EXPECT_EQ(seen.paramValue, 65) << "stepped by the numeric pad's plus";
    EXPECT_EQ(seen.comboText, "b");
    EXPECT_EQ(seen.padsClicked, 1);
    EXPECT_EQ(seen.picture.width, seen.client.right);
    EXPECT_EQ(seen.picture.height, seen.client.bottom);
    EXPECT_FALSE(testing_support::writePicture(seen.picture, "controls_panel").empty());

    // Closing left no window, timer or hook behind.
    EXPECT_FALSE(IsWindow(seen.panelWindow));
    EXPECT_FALSE(IsWindow(seen.toolTip));
    EXPECT_EQ(counts.panelsAlive, 0);
    EXPECT_EQ(plugin->panel, nullptr);
    EXPECT_EQ(plugin->Release(), 0u); // its host updater's window goes with it
    EXPECT_EQ(threadWindowCount(), windowsBefore) << listThreadWindows();
    const int ticks = counts.ticks;
    EXPECT_GT(ticks, 0);
    pumpFor(60);
    EXPECT_EQ(counts.ticks, ticks) << "no timer left";
    PostMessageA(host.handle(), WM_SYSCHAR, 'r', 1 << 29);
    bool syschar = false;
    host.handler = [&](UINT message, WPARAM, LPARAM, bool &) -> LRESULT {
        syschar = syschar || message == WM_SYSCHAR;
        return 0;
    };
    pump();
    EXPECT_TRUE(syschar) << "no hook voids Alt+R for this module's windows";
}

} // namespace

namespace {

TEST(PanelPageWindowTest, PageAnswersFailWhenThePanelMakesNoWindow)
{
    IPropertyPage *page = nullptr;
    auto *factory = new MfxPropertyPage::Factory(L"Tembri Test");
    factory->AddRef();
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page)), S_OK);
    factory->Release();
    auto *plugin = new ControlsPlugin();
    plugin->AddRef();
    IUnknown *object = static_cast<IMfxEventFilter *>(plugin);
    ASSERT_EQ(page->SetObjects(1, &object), S_OK);

    HWND gone = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const RECT place{0, 0, 100, 100};
    EXPECT_EQ(page->Activate(gone, &place, TRUE), E_FAIL) << "no parent, no window, no view";
    EXPECT_EQ(plugin->panel, nullptr) << "the view went back to the plug-in";
    EXPECT_EQ(counts.panelsAlive, 0);
    page->Release();
    EXPECT_EQ(plugin->Release(), 0u);
}

} // namespace
