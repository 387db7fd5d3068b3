#include "plugin/framework/gui/control.h"

#include "plugin/framework/gui/number_fields.h"
#include "plugin/framework/gui/tests/gui_test_support.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using gui_test::RecordingPane;
using gui_test::TestRoot;
using namespace Quorvane;
namespace Id = EventId;

// Records its steps; changes nothing unless told to.
class SteppingControl : public FlatControl {
public:
    bool step(int delta) override
    {
        steps.push_back(delta);
        return consumes;
    }
    std::vector<int> steps;
    bool consumes = true;
};

KeyEvent keyPressed(int key, int modifiers = 0)
{
    KeyEvent e(Id::KeyPressed);
    e.keyCode = key;
    e.modifiers = modifiers;
    return e;
}

class FlatControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.setBounds(&root, {0, 0, 100, 100});
        control.setBounds(&parent, {10, 10, 40, 20});
        parent.passKeysOn = false;
    }
    TestRoot root;
    RecordingPane parent;
    SteppingControl control;
};

TEST_F(FlatControlTest, WheelStepsByRoundedNotches)
{
    const struct {
        int delta;
        int notches;
    } cases[] = {{60, 1}, {-60, -1}, {59, 0}, {-59, 0}, {240, 2}, {0, 0}, {-180, -2}, {179, 1}};
    for (const auto &c : cases) {
        EXPECT_EQ(wheelNotches(c.delta), c.notches) << c.delta;
        control.steps.clear();
        MouseEvent wheel(Id::MouseWheel);
        wheel.wheelDelta = c.delta;
        control.dispatchEvent(wheel);
        EXPECT_EQ(control.steps, (std::vector<int>{c.notches})) << c.delta;
    }
}

TEST_F(FlatControlTest, NumericPadStepsWithoutControl)
{
    KeyEvent plus = keyPressed(VK_ADD);
    control.dispatchEvent(plus);
    KeyEvent minus = keyPressed(VK_SUBTRACT);
    control.dispatchEvent(minus);
    EXPECT_EQ(control.steps, (std::vector<int>{1, -1}));
    EXPECT_TRUE(parent.keys.empty());

    KeyEvent withControl = keyPressed(VK_ADD, Modifier::Control);
    control.dispatchEvent(withControl);
    KeyEvent up = keyPressed(VK_UP);
    control.dispatchEvent(up);
    EXPECT_EQ(control.steps.size(), 2u);
    EXPECT_EQ(parent.keys, (std::vector<int>{VK_ADD, VK_UP})) << "not steps: they go to the parent";

    control.consumes = false;
    control.dispatchEvent(plus);
    EXPECT_EQ(parent.keys.back(), VK_ADD) << "a step that changes nothing passes the key on";
}

TEST_F(FlatControlTest, LeftPressTakesTheFocusAndShowsIt)
{
    root.windowFocus = true;
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), 0xFFFFFFu) << "the frame without focus";
    root.press(20, 20, 2);
    EXPECT_FALSE(control.isFocused()) << "the right button does not";
    root.release(20, 20, 2);
    root.press(20, 20, 1);
    EXPECT_TRUE(control.isFocused());
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(10, 10), 0x404040u);
    EXPECT_EQ(root.canvas().pixel(12, 12), GetSysColor(COLOR_BTNFACE));
}

TEST(TextControlTest, Frames)
{
    TestRoot root(60, 60);
    TextControl grey, sunken, plain;
    grey.create(TextControl::kGreyFrame, {0, 0, 20, 20}, &root);
    sunken.create(TextControl::kSunkenFrame, {20, 0, 20, 20}, &root);
    plain.create(TextControl::kNoFrame, {40, 0, 20, 20}, &root);
    root.paintAll();
    EXPECT_EQ(root.canvas().pixel(0, 0), GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(root.canvas().pixel(19, 19), GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(root.canvas().pixel(20, 0), 0x808080u);
    EXPECT_EQ(root.canvas().pixel(39, 19), 0xFFFFFFu);
    EXPECT_EQ(root.canvas().pixel(40, 0), GetSysColor(COLOR_BTNFACE));
}

TEST(TextControlTest, DisabledTextIsGrey)
{
    TestRoot root(80, 20);
    TextControl label;
    label.create(TextControl::kNoFrame, {0, 0, 80, 20}, &root);
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 16, 1, Font::kPixels));
    label.setFont(font.get(), false);
    label.setText("HHHH", false);
    label.setEnabled(false);
    root.paintAll();
    EXPECT_GT(root.canvas().countInRow(10, 0, 80, GetSysColor(COLOR_GRAYTEXT)), 0);
    EXPECT_EQ(root.canvas().countInRow(10, 0, 80, 0x000000), 0);
}

// A handler that keeps its value within 0..10.
class ClampingHandler : public ParamEdit::Handler {
public:
    explicit ClampingHandler(int &value) : value_(value) {}
    int getValue() override { return value_; }
    void setValue(int value) override { value_ = std::clamp(value, 0, 10); }

private:
    int &value_;
};

TEST(ParamEditTest, HandlerDecidesWhatIsShown)
{
    TestRoot root;
    ParamEdit field;
    RECT place{0, 0, 60, 16};
    field.create(&root, place);
    EXPECT_EQ(field.shownValue(), 0);
    field.setValue(5); // no handler: ignored
    EXPECT_EQ(field.shownValue(), 0);
    int value = 9;
    field.setHandler(new ClampingHandler(value));
    field.refreshValue();
    EXPECT_EQ(field.shownValue(), 9);
    field.stepBy(1);
    field.stepBy(1);
    EXPECT_EQ(field.shownValue(), 10) << "stepping past the limit shows the clamped value";
    EXPECT_EQ(value, 10);
}

TEST(ParamEditTest, NumberIsRightAligned)
{
    TestRoot root(80, 20);
    ParamEdit field;
    RECT place{0, 0, 80, 20};
    field.create(&root, place);
    int value = 7;
    field.setHandler(new ClampingHandler(value));
    field.refreshValue();
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 14, 1, Font::kPixels));
    field.setFont(font.get());
    root.paintAll();
    // The content rectangle is (4, 2, 72, 16): ink only in its right part,
    // ending near its right edge.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int left = 80, right = -1;
    for (int y = 2; y < 18; ++y)
        for (int x = 1; x < 79; ++x)
            if (root.canvas().pixel(x, y) != face) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GT(left, 50);
    EXPECT_LE(right, 75);
    EXPECT_GE(right, 70);
}

TEST(BarEditTest, StepsTellTheListener)
{
    TestRoot root;
    BarEdit bar;
    bar.create(&root, {0, 0, 40, 16});
    EXPECT_EQ(bar.getValue(), 0) << "empty text";
    int told = 0;
    struct Counter {
        int *count;
        void count1() { ++*count; }
    } counter{&told};
    auto listener = MemberDelegate<Counter>::create(&counter, &Counter::count1);
    bar.setListener(listener.get());
    bar.setValue(3);
    EXPECT_EQ(bar.text(), "3");
    bar.stepBy(2);
    EXPECT_EQ(bar.getValue(), 5);
    EXPECT_EQ(told, 1);
    bar.setValue(INT_MAX);
    bar.stepBy(1);
    EXPECT_EQ(bar.getValue(), INT_MAX) << "saturates";
}

TEST(NumberParsingTest, SaturatesInsteadOfOverflowing)
{
    const struct {
        const char *text;
        int value;
    } cases[] = {{"-5", -5},
                 {"+12", 12},
                 {"  42x", 42},
                 {"-", 0},
                 {"", 0},
                 {"2147483647", INT_MAX},
                 {"2147483648", INT_MAX},
                 {"99999999999999999999", INT_MAX},
                 {"-2147483648", INT_MIN},
                 {"-99999999999", INT_MIN}};
    for (const auto &c : cases)
        EXPECT_EQ(parseSaturated(c.text), c.value) << c.text;
    EXPECT_EQ(addSaturated(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(addSaturated(INT_MIN, -1), INT_MIN);
    EXPECT_EQ(addSaturated(3, -4), -1);
}

} // namespace
