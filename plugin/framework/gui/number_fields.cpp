#include "plugin/framework/gui/number_fields.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/plugin/com_object.h"

#include <climits>
#include <cstdio>
#include <string>
#include <utility>

namespace Quorvane {

int parseSaturated(const char *text)
{
    if (!text)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > int64_t{INT_MAX} + 1)
            magnitude = int64_t{INT_MAX} + 1; // enough to saturate either way
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

int addSaturated(int a, int b)
{
    const int64_t sum = int64_t{a} + b;
    return static_cast<int>(sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : sum);
}

namespace {

std::string decimal(int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return text;
}

} // namespace

bool InlineNumberEditor::open(HWND panel, const Rect &rect, HFONT font, int value)
{
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", decimal(value).c_str(),
                                WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, rect.x, rect.y, rect.width,
                                rect.height, panel, nullptr, com::thisModule(), nullptr);
    if (!edit)
        return false;
    subclassWindow(edit);
    if (font)
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return true;
}

void InlineNumberEditor::stepText(int delta)
{
    char text[64] = {};
    GetWindowTextA(handle(), text, sizeof(text));
    SetWindowTextA(handle(), decimal(addSaturated(parseSaturated(text), delta)).c_str());
    SendMessageA(handle(), EM_SETSEL, 0, -1);
}

void InlineNumberEditor::commitOnce()
{
    if (committed_ || escaped_ || !owner_ || !handle())
        return;
    committed_ = true;
    char text[64] = {};
    GetWindowTextA(handle(), text, sizeof(text));
    owner_->editorCommitted(parseSaturated(text));
}

void InlineNumberEditor::close()
{
    if (closing_)
        return;
    closing_ = true;
    DestroyWindow(handle());
}

LRESULT InlineNumberEditor::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_ADD:
            ++pendingPlus_;
            [[fallthrough]];
        case VK_UP:
            stepText(1);
            return 0;
        case VK_SUBTRACT:
            ++pendingMinus_;
            [[fallthrough]];
        case VK_DOWN:
            stepText(-1);
            return 0;
        case VK_RETURN:
            commitOnce();
            close();
            return 0;
        case VK_ESCAPE:
            escaped_ = true;
            close();
            return 0;
        default:
            break;
        }
        break;
    case WM_CHAR: {
        // The character of a numeric-pad key that already stepped the number.
        const char c = static_cast<char>(wParam);
        if (c == '+' && pendingPlus_ > 0) {
            --pendingPlus_;
            return 0;
        }
        if (c == '-' && pendingMinus_ > 0) {
            --pendingMinus_;
            return 0;
        }
        if (static_cast<unsigned char>(c) < 32)
            break;
        if (!owner_ || !owner_->acceptsCharacter(c)) {
            MessageBeep(static_cast<UINT>(-1));
            return 0;
        }
        break;
    }
    case WM_MOUSEWHEEL:
        stepText(wheelNotches(static_cast<short>(HIWORD(wParam))));
        return 0;
    case WM_KILLFOCUS: {
        const LRESULT result = defaultProc(message, wParam, lParam);
        commitOnce();
        close();
        return result;
    }
    case WM_DESTROY:
        commitOnce();
        break;
    default:
        break;
    }
    return defaultProc(message, wParam, lParam);
}

void InlineNumberEditor::windowDestroyed()
{
    if (Owner *owner = std::exchange(owner_, nullptr))
        owner->editorClosed(); // may delete this editor
}

NumberField::~NumberField()
{
    if (editor_)
        editor_->disown();
}

void NumberField::setFont(Font *font)
{
    font_ = RefPtr<Font>(font);
    repaint();
}

void NumberField::mousePressed(MouseEvent &e)
{
    if (e.button != 1 || e.clickCount != 2) {
        FlatControl::mousePressed(e);
        return;
    }
    HWND panel = getWindowHandle();
    if (!panel || editor_)
        return;
    // The field's own font, else the panel's.
    HFONT font = font_ ? font_->handle() : reinterpret_cast<HFONT>(SendMessageA(panel, WM_GETFONT, 0, 0));
    auto editor = std::make_unique<InlineNumberEditor>(static_cast<InlineNumberEditor::Owner &>(*this));
    if (editor->open(panel, getRootBounds(), font, editedValue()))
        editor_ = std::move(editor);
}

void NumberField::editorClosed()
{
    editor_.reset();
}

void NumberField::drawNumber(GraphicsContext &gc, const Rect &rect, const std::string &text)
{
    gc.drawTextWithFont(text.c_str(), rect, font_.get(), DT_SINGLELINE | DT_RIGHT);
}

int ParamEdit::create(Pane *parent, const RECT &rect)
{
    setBounds(parent, Rect::fromRECT(rect));
    return 1;
}

void ParamEdit::setHandler(Handler *handler)
{
    handler_.reset(handler);
}

void ParamEdit::refreshValue()
{
    shownValue_ = handler_ ? handler_->getValue() : 0;
    repaint();
}

void ParamEdit::setValue(int value)
{
    if (handler_)
        handler_->setValue(value);
    refreshValue();
}

bool ParamEdit::step(int delta)
{
    setValue(addSaturated(shownValue_, delta));
    return true;
}

void ParamEdit::paintContent(GraphicsContext &gc, const Rect &rect)
{
    drawNumber(gc, rect, decimal(shownValue_));
}

bool ParamEdit::acceptsCharacter(char c) const
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-';
}

void ParamEdit::editorCommitted(int value)
{
    setValue(value);
}

int BarEdit::create(Pane *parent, const Rect &rect)
{
    setBounds(parent, rect);
    return 1;
}

int BarEdit::getValue() const
{
    return text_.empty() ? 0 : parseSaturated(text_.c_str());
}

void BarEdit::setValue(int value)
{
    value_ = value;
    text_ = decimal(value);
    repaint();
}

bool BarEdit::step(int delta)
{
    setValue(addSaturated(getValue(), delta));
    invokeDelegate(listener_);
    return true;
}

void BarEdit::paintContent(GraphicsContext &gc, const Rect &rect)
{
    if (!text_.empty())
        drawNumber(gc, rect, text_);
}

bool BarEdit::acceptsCharacter(char c) const
{
    return c >= '0' && c <= '9';
}

void BarEdit::editorCommitted(int value)
{
    setValue(value);
}

void BarEdit::editorClosed()
{
    NumberField::editorClosed();
    invokeDelegate(listener_);
}

} // namespace Quorvane
