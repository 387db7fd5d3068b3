#include "plugin/framework/gui/number_fields.h"

#include "plugin/framework/gui/tests/test_panel.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace gui_test;
using namespace Quorvane;

// Keeps whatever it is given.
class PlainHandler : public ParamEdit::Handler {
public:
    explicit PlainHandler(int &value) : value_(value) {}
    int getValue() override { return value_; }
    void setValue(int value) override { value_ = value; }

private:
    int &value_;
};

struct Told {
    void told() { ++count; }
    int count = 0;
};

class NumberFieldWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.panel.build = [this](TestPanel &panel) {
            const RECT place{20, 20, 100, 40};
            param.create(&panel, place);
            param.setHandler(new PlainHandler(value));
            param.refreshValue();
            bar.create(&panel, {20, 60, 80, 20});
            bar.setValue(3);
            listener = MemberDelegate<Told>::create(&told, &Told::told);
            bar.setListener(listener.get());
        };
        fixture.open();
        ASSERT_TRUE(IsWindow(fixture.panelWindow())) << "windows need a display";
        SetFocus(fixture.panelWindow());
    }

    // Double-clicks a field and answers its editor window.
    HWND openEditor(int x, int y, InlineNumberEditor *(*editorOf)(NumberFieldWindowTest &))
    {
        for (int i = 0; i < 2; ++i) {
            postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, x, y, MK_LBUTTON);
            postMouse(fixture.panelWindow(), WM_LBUTTONUP, x, y);
        }
        pump();
        InlineNumberEditor *editor = editorOf(*this);
        return editor ? editor->handle() : nullptr;
    }
    HWND openParamEditor()
    {
        return openEditor(30, 30, [](NumberFieldWindowTest &t) { return t.param.editor(); });
    }
    HWND openBarEditor()
    {
        return openEditor(30, 70, [](NumberFieldWindowTest &t) { return t.bar.editor(); });
    }
    static void type(HWND edit, const char *text)
    {
        for (const char *c = text; *c; ++c)
            PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
        pump();
    }
    static std::string textOf(HWND edit)
    {
        char text[64] = {};
        GetWindowTextA(edit, text, sizeof(text));
        return text;
    }

    PanelFixture fixture;
    ParamEdit param;
    BarEdit bar;
    int value = 12;
    Told told;
    RefPtr<Delegate> listener;
};

TEST_F(NumberFieldWindowTest, DoubleClickOpensAnEditOverTheField)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    char className[16] = {};
    GetClassNameA(edit, className, sizeof(className));
    EXPECT_STREQ(className, "Edit");
    EXPECT_EQ(GetParent(edit), fixture.panelWindow());
    RECT place{};
    GetWindowRect(edit, &place);
    MapWindowPoints(nullptr, fixture.panelWindow(), reinterpret_cast<POINT *>(&place), 2);
    EXPECT_EQ(Rect::fromRECT(place), (Rect{20, 20, 80, 20}));
    EXPECT_EQ(textOf(edit), "12");
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(SendMessageA(edit, EM_GETSEL, 0, 0), MAKELRESULT(0, 2)) << "all of it selected";
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

TEST_F(NumberFieldWindowTest, TypedNegativeNumberCommitsOnEnter)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    type(edit, "-5");
    postKey(edit, WM_KEYDOWN, VK_RETURN);
    pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(param.editor(), nullptr);
    EXPECT_EQ(value, -5);
    EXPECT_EQ(param.shownValue(), -5);
}

TEST_F(NumberFieldWindowTest, EscapeInTheParamEditorChangesNothing)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    type(edit, "99");
    postKey(edit, WM_KEYDOWN, VK_ESCAPE);
    pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(value, 12);
}

TEST_F(NumberFieldWindowTest, LosingTheFocusCommits)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    type(edit, "40");
    SetFocus(fixture.host.handle());
    pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(value, 40);
}

TEST_F(NumberFieldWindowTest, KeysAndWheelStepTheTypedNumber)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    postKey(edit, WM_KEYDOWN, VK_UP);
    pump();
    EXPECT_EQ(textOf(edit), "13");
    postKey(edit, WM_KEYDOWN, VK_ADD); // its '+' character is swallowed
    pump();
    EXPECT_EQ(textOf(edit), "14");
    postKey(edit, WM_KEYDOWN, VK_SUBTRACT);
    postKey(edit, WM_KEYDOWN, VK_DOWN);
    pump();
    EXPECT_EQ(textOf(edit), "12");
    PostMessageA(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
    pump();
    EXPECT_EQ(textOf(edit), "14");
    EXPECT_EQ(value, 12) << "nothing committed yet";
    postKey(edit, WM_KEYDOWN, VK_RETURN);
    pump();
    EXPECT_EQ(value, 14);
}

TEST_F(NumberFieldWindowTest, HugeNumbersSaturate)
{
    HWND edit = openParamEditor();
    ASSERT_TRUE(edit);
    type(edit, "99999999999");
    postKey(edit, WM_KEYDOWN, VK_UP);
    pump();
    EXPECT_EQ(textOf(edit), "2147483647");
    postKey(edit, WM_KEYDOWN, VK_RETURN);
    pump();
    EXPECT_EQ(value, INT_MAX);
    param.stepBy(1);
    EXPECT_EQ(value, INT_MAX) << "stepping the field saturates too";
}

TEST_F(NumberFieldWindowTest, BarEditorRefusesASign)
{
    HWND edit = openBarEditor();
    ASSERT_TRUE(edit);
    EXPECT_EQ(textOf(edit), "3");
    type(edit, "-");
    EXPECT_EQ(textOf(edit), "3") << "refused with a beep";
    type(edit, "17");
    postKey(edit, WM_KEYDOWN, VK_RETURN);
    pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(bar.getValue(), 17);
    EXPECT_EQ(told.count, 1);
}

TEST_F(NumberFieldWindowTest, EscapeInTheBarEditorStillTellsTheListener)
{
    HWND edit = openBarEditor();
    ASSERT_TRUE(edit);
    type(edit, "8");
    postKey(edit, WM_KEYDOWN, VK_ESCAPE);
    pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(bar.getValue(), 3);
    EXPECT_EQ(told.count, 1);
}

TEST_F(NumberFieldWindowTest, FieldGoingAwayWithItsEditorOpen)
{
    HWND edit = nullptr;
    {
        ParamEdit shortLived;
        shortLived.create(&fixture.panel, RECT{200, 20, 260, 40});
        int kept = 5;
        shortLived.setHandler(new PlainHandler(kept));
        shortLived.refreshValue();
        for (int i = 0; i < 2; ++i) {
            postMouse(fixture.panelWindow(), WM_LBUTTONDOWN, 210, 30, MK_LBUTTON);
            postMouse(fixture.panelWindow(), WM_LBUTTONUP, 210, 30);
        }
        pump();
        ASSERT_TRUE(shortLived.editor());
        edit = shortLived.editor()->handle();
        type(edit, "7");
    }
    pump();
    EXPECT_FALSE(IsWindow(edit)) << "the editor went with its field";
}

} // namespace
